// The seam of the program: the real Win32 one (being written).
