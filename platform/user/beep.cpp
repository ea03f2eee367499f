// MessageBeep: a short tone queued on the default audio device; the call never waits for it.
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/user.h"

namespace platform::detail {
namespace {

constexpr int kSampleRate = 44100;
constexpr double kToneHz = 880.0;
constexpr int kToneMs = 100;
constexpr double kVolume = 0.25;
constexpr double kPi = 3.14159265358979323846;

enum class AudioState { NotStarted, Ready, Failed };
AudioState g_audio = AudioState::NotStarted;
SDL_AudioDeviceID g_device = 0;

std::vector<Sint16> MakeTone() {
  const int count = kSampleRate * kToneMs / 1000;
  std::vector<Sint16> samples(static_cast<std::size_t>(count));
  const int fade = kSampleRate / 200;  // 5 ms ramps keep the tone from clicking
  for (int i = 0; i < count; ++i) {
    double level = kVolume;
    if (i < fade) level *= static_cast<double>(i) / fade;
    if (count - i < fade) level *= static_cast<double>(count - i) / fade;
    const double value = level * std::sin(2.0 * kPi * kToneHz * i / kSampleRate);
    samples[static_cast<std::size_t>(i)] = static_cast<Sint16>(value * 32767.0);
  }
  return samples;
}

bool OpenAudio() {
  if (g_audio != AudioState::NotStarted) return g_audio == AudioState::Ready;
  g_audio = AudioState::Failed;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec wanted{};
  wanted.freq = kSampleRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = 1024;
  wanted.callback = nullptr;  // queued audio
  g_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  if (g_device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_PauseAudioDevice(g_device, 0);
  g_audio = AudioState::Ready;
  return true;
}

}  // namespace

// Bytes of tone still queued for the audio device (for tests).
Uint32 QueuedBeepBytes() { return g_device != 0 ? SDL_GetQueuedAudioSize(g_device) : 0; }

}  // namespace platform::detail

BOOL MessageBeep(UINT type) {
  (void)type;  // every kind of beep sounds the same here
  using namespace platform::detail;
  if (!OpenAudio()) return TRUE;  // no sound device: silence, as on a machine without a speaker
  static const std::vector<Sint16> tone = MakeTone();
  const Uint32 bytes = static_cast<Uint32>(tone.size() * sizeof(Sint16));
  // Taps faster than the tone lasts do not pile up seconds of beeping.
  if (SDL_GetQueuedAudioSize(g_device) > bytes) return TRUE;
  if (SDL_QueueAudio(g_device, tone.data(), bytes) != 0) {
    std::fprintf(stderr, "SDL_QueueAudio: %s\n", SDL_GetError());
    return FALSE;
  }
  return TRUE;
}
