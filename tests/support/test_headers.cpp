// The tests' precompiled GoogleTest headers are made with this file.
