// Filled in with the behaviour it tests.
