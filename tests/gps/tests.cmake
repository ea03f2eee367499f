# Tests of the gps folder.
