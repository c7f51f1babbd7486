__declspec(dllexport) int halverne_fixture_value(void) { return 7; }
