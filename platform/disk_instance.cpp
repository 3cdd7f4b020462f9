// The program's one disk model, built during static initialisation (being written).
