// The accessibility layer on the system's accessibility interface
// (IAccessible). Objects of other processes are reached through COM, which
// the calling thread joins once as a single-threaded apartment. A window
// that does not answer is never asked for its object: the request is a
// sent message that would wait for it without end.

#include <windows.h>
#include <ole2.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <algorithm>

#include "automation/accessibility.h"
#include "automation/control_system.h"
#include "automation/win/win_windows.h"

namespace kova::automation {

namespace {

using Microsoft::WRL::ComPtr;

constexpr LONG kMaxChildren = 20000;

void joinCom() {
  thread_local bool joined = false;
  if (joined) return;
  joined = true;
  // RPC_E_CHANGED_MODE: the thread is in COM already, which serves as well.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

VARIANT childId(LONG id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// Takes over a BSTR an accessor filled (also with S_FALSE, where some
// objects leave one).
u16 takeText(HRESULT hr, BSTR b) {
  u16 s;
  if (hr == S_OK && b) s.assign(reinterpret_cast<const char16_t*>(b), SysStringLen(b));
  SysFreeString(b);
  return s;
}

class WinNode final : public AccessibleNode {
 public:
  WinNode(ComPtr<IAccessible> acc, LONG child) : acc_(std::move(acc)), child_(child) {}

  u16 name() override {
    BSTR b = nullptr;
    const HRESULT hr = acc_->get_accName(self(), &b);
    return takeText(hr, b);
  }
  u16 value() override {
    BSTR b = nullptr;
    const HRESULT hr = acc_->get_accValue(self(), &b);
    return takeText(hr, b);
  }
  int32_t role() override { return number([this](VARIANT* v) { return acc_->get_accRole(self(), v); }); }
  uint32_t state() override {
    return static_cast<uint32_t>(number([this](VARIANT* v) { return acc_->get_accState(self(), v); }));
  }

  std::vector<std::unique_ptr<AccessibleNode>> children() override {
    std::vector<std::unique_ptr<AccessibleNode>> out;
    LONG count = 0;
    if (child_ != CHILDID_SELF || acc_->get_accChildCount(&count) != S_OK || count <= 0) return out;
    count = std::min(count, kMaxChildren);
    std::vector<VARIANT> kids(static_cast<size_t>(count));
    LONG obtained = 0;
    if (SUCCEEDED(AccessibleChildren(acc_.Get(), 0, count, kids.data(), &obtained))) {
      for (LONG i = 0; i < obtained; ++i) {
        add(kids[static_cast<size_t>(i)], out);
        VariantClear(&kids[static_cast<size_t>(i)]);
      }
      return out;
    }
    // Objects without an enumerator and a helper that gives up on them:
    // ask for each child by its number.
    for (LONG i = 1; i <= count; ++i) {
      ComPtr<IDispatch> dispatch;
      const HRESULT hr = acc_->get_accChild(childId(i), dispatch.GetAddressOf());
      ComPtr<IAccessible> object;
      if (hr == S_OK && dispatch && SUCCEEDED(dispatch.As(&object))) {
        out.push_back(std::make_unique<WinNode>(object, CHILDID_SELF));
      } else {
        out.push_back(std::make_unique<WinNode>(acc_, i));
      }
    }
    return out;
  }

  bool location(WindowRect& r) override {
    LONG x = 0, y = 0, w = 0, h = 0;
    if (acc_->accLocation(&x, &y, &w, &h, self()) != S_OK) return false;
    r = WindowRect{x, y, x + w, y + h};
    return true;
  }
  bool doDefaultAction() override { return acc_->accDoDefaultAction(self()) == S_OK; }
  bool setValue(const u16& value) override {
    BSTR b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(value.data()), static_cast<UINT>(value.size()));
    if (!b) return false;
    const HRESULT hr = acc_->put_accValue(self(), b);
    SysFreeString(b);
    return hr == S_OK;
  }
  bool select() override { return acc_->accSelect(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION, self()) == S_OK; }

 private:
  VARIANT self() const { return childId(child_); }

  template <typename Ask>
  int32_t number(Ask ask) {
    VARIANT v;
    VariantInit(&v);
    int32_t result = 0;
    // Custom roles come as texts: they are no role this program knows.
    if (ask(&v) == S_OK && v.vt == VT_I4) result = static_cast<int32_t>(v.lVal);
    VariantClear(&v);
    return result;
  }

  // A child as AccessibleChildren reports it: an object of its own, or a
  // simple element of this one.
  void add(const VARIANT& v, std::vector<std::unique_ptr<AccessibleNode>>& out) {
    if (v.vt == VT_DISPATCH && v.pdispVal) {
      ComPtr<IAccessible> object;
      if (SUCCEEDED(v.pdispVal->QueryInterface(IID_PPV_ARGS(&object)))) {
        out.push_back(std::make_unique<WinNode>(object, CHILDID_SELF));
      }
    } else if (v.vt == VT_I4 && v.lVal != CHILDID_SELF) {
      out.push_back(std::make_unique<WinNode>(acc_, v.lVal));
    }
  }

  ComPtr<IAccessible> acc_;
  LONG child_;
};

class WinAccessibilitySystem final : public AccessibilitySystem {
 public:
  std::unique_ptr<AccessibleNode> fromWindow(WindowHandle h) override {
    if (!IsWindow(hwnd(h)) || !answers(hwnd(h))) return nullptr;
    joinCom();
    ComPtr<IAccessible> acc;
    if (AccessibleObjectFromWindow(hwnd(h), static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                   reinterpret_cast<void**>(acc.GetAddressOf())) != S_OK ||
        !acc) {
      return nullptr;
    }
    return std::make_unique<WinNode>(acc, CHILDID_SELF);
  }

  std::unique_ptr<AccessibleNode> fromPoint(int32_t x, int32_t y) override {
    const HWND at = WindowFromPoint(POINT{x, y});
    if (!at || !answers(at)) return nullptr;
    joinCom();
    ComPtr<IAccessible> acc;
    VARIANT child;
    VariantInit(&child);
    if (AccessibleObjectFromPoint(POINT{x, y}, acc.GetAddressOf(), &child) != S_OK || !acc) {
      VariantClear(&child);
      return nullptr;
    }
    const LONG id = child.vt == VT_I4 ? child.lVal : CHILDID_SELF;
    VariantClear(&child);
    return std::make_unique<WinNode>(acc, id);
  }
};

}  // namespace

AccessibilitySystem* hostAccessibilitySystem() {
  static WinAccessibilitySystem system;
  return &system;
}

}  // namespace kova::automation
