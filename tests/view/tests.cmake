# Tests of the view folder.
