"""The simulated GPS receiver (its command: python3 tools/nmea_sim --help): NMEA sentences,
the generated drive, log replay, injected faults, the pseudo-terminal and the network ends."""
