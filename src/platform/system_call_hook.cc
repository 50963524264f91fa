#include "platform/platform.h"

namespace {

SystemCallHook the_hook = nullptr;

}  // namespace

void set_system_call_hook(SystemCallHook hook) {
  the_hook = hook;
}

int ask_system_call_hook(SystemCall call, const char* name) {
  return the_hook != nullptr ? the_hook(call, name) : 0;
}
