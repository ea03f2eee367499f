# Tests of the track folder.
