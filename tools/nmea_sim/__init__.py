"""The simulated GPS receiver's parts: NMEA sentences, the generated drive, log replay,
injected faults, and the pseudo-terminal it talks through."""
