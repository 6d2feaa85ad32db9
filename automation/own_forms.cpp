// placeholder until merged
#include "automation/own_forms.h"
#include <atomic>
namespace kova::automation {
namespace { std::atomic<WindowHandle> forms[static_cast<int>(OwnForm::kCount)]; }
void setOwnForm(OwnForm form, WindowHandle handle) { forms[static_cast<int>(form)] = handle; }
WindowHandle ownForm(OwnForm form) { return forms[static_cast<int>(form)]; }
bool isOwnForm(WindowHandle h) { for (auto& f : forms) if (h && f == h) return true; return false; }
}
