// A small module for the loader's tests: plain entry points and a counter that
// starts afresh whenever the module is really loaded again.
extern "C" {

static int calls = 0;

int TestModuleAdd(int a, int b) { return a + b; }

int TestModuleCalls() { return ++calls; }

const char* TestModuleName() { return "testmodule"; }
}
