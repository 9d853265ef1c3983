// Carries the precompiled test-framework header that every test program reuses; it holds no tests.
