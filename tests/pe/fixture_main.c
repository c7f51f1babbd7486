__declspec(dllimport) int halverne_fixture_value(void);
int main(void) { return halverne_fixture_value() == 7 ? 0 : 1; }
