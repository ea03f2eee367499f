# Tests of the platform folder.
