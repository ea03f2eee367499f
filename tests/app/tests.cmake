# Tests of the app folder.
