set(PLATFORM_USER_SOURCES
  message_box.cpp
  message_box_hook.cpp
  headless_message_box.cpp)
