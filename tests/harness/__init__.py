"""What every script that drives the viewer shares: a virtual X server and the X tools
(xserver), the viewer's screen layout and screenshots (screen), sampling /proc (proc), where
the viewer is and its environment (viewer), processes and loopback ports (processes), a
script's outcome and waiting (script), and a session of a program folder, the simulated
receiver and the viewer with its window (session, window)."""
