// The object that GoogleTest's precompiled headers are built with; every test program reuses them.
