// The framework's own machinery: message tables, reflection, dialogs with
// data exchange, window threads and handle owners.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/handles.h"
#include "framework/text.h"
#include "framework/window.h"
#include "framework/window_thread.h"

namespace {

constexpr wchar_t kTestClass[] = L"fw.Test";

class CBaseTestWnd : public fw::CWnd {
 public:
  bool Create(HWND parent = nullptr) {
    RegisterClass(kTestClass, 0, nullptr);
    return CreateEx(0, kTestClass, L"t", parent ? WS_CHILD : WS_POPUP, 0, 0, 50, 50, parent,
                    parent ? reinterpret_cast<HMENU>(7) : nullptr);
  }
  std::vector<std::string> log;

 protected:
  FW_DECLARE_MESSAGE_MAP()
  void OnBaseCommand() { log.push_back("base 100"); }
  void OnOverridden() { log.push_back("base 101"); }
  LRESULT OnUser(WPARAM wp, LPARAM) {
    log.push_back("user " + std::to_string(wp));
    return 42;
  }
};

const fw::MessageEntry CBaseTestWnd::kMessageEntries[] = {
    fw::OnCommand<&CBaseTestWnd::OnBaseCommand>(100),
    fw::OnCommand<&CBaseTestWnd::OnOverridden>(101),
    fw::OnMessage<&CBaseTestWnd::OnUser>(WM_USER + 1),
};
const fw::MessageMap CBaseTestWnd::kMessageMap = fw::MakeMessageMap(&fw::CWnd::kMessageMap, kMessageEntries);

class CDerivedTestWnd : public CBaseTestWnd {
  FW_DECLARE_MESSAGE_MAP()
 private:
  void OnDerived101() { log.push_back("derived 101"); }
  void OnThrowing() { throw std::runtime_error("must not escape"); }
};

const fw::MessageEntry CDerivedTestWnd::kMessageEntries[] = {
    fw::OnCommand<&CDerivedTestWnd::OnDerived101>(101),
    fw::OnCommand<&CDerivedTestWnd::OnThrowing>(102),
};
const fw::MessageMap CDerivedTestWnd::kMessageMap = fw::MakeMessageMap(&CBaseTestWnd::kMessageMap, kMessageEntries);

// A control that handles its own notification when the parent reflects it.
class CReflectingChild : public CBaseTestWnd {
  FW_DECLARE_MESSAGE_MAP()
 public:
  int reflected = 0;

 private:
  LRESULT OnOwnNotify(NMHDR*) {
    ++reflected;
    return 7;
  }
};
const fw::MessageEntry CReflectingChild::kMessageEntries[] = {
    fw::OnNotifyReflect<&CReflectingChild::OnOwnNotify>(NM_CLICK),
};
const fw::MessageMap CReflectingChild::kMessageMap = fw::MakeMessageMap(&CBaseTestWnd::kMessageMap, kMessageEntries);

}  // namespace

TEST(MessageTable, DerivedEntriesWinAndBaseEntriesStillServe) {
  CDerivedTestWnd w;
  ASSERT_TRUE(w.Create());
  ::SendMessageW(w, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), 0);
  ::SendMessageW(w, WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), 0);
  EXPECT_EQ(::SendMessageW(w, WM_USER + 1, 5, 0), 42);
  EXPECT_EQ(w.log, (std::vector<std::string>{"base 100", "derived 101", "user 5"}));
  // Unknown messages reach the default procedure.
  EXPECT_TRUE(::SetWindowTextW(w, L"hello"));
  EXPECT_EQ(fw::GetWindowTextString(w), L"hello");
}

TEST(MessageTable, AThrowingHandlerDoesNotUnwindIntoTheSystem) {
  CDerivedTestWnd w;
  ASSERT_TRUE(w.Create());
  ::SendMessageW(w, WM_COMMAND, MAKEWPARAM(102, BN_CLICKED), 0);
  ::SendMessageW(w, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), 0);
  EXPECT_EQ(w.log, (std::vector<std::string>{"base 100"}));
}

TEST(MessageTable, UnhandledNotificationsAreReflectedToTheirControl) {
  CBaseTestWnd parent;
  ASSERT_TRUE(parent.Create());
  CReflectingChild child;
  ASSERT_TRUE(child.Create(parent));
  NMHDR nm{child.hwnd(), 7, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(::SendMessageW(parent, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&nm)), 7);
  nm.code = static_cast<UINT>(NM_DBLCLK);  // not in the child's table
  EXPECT_EQ(::SendMessageW(parent, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&nm)), 0);
  EXPECT_EQ(child.reflected, 1);
}

TEST(MessageTable, ObjectLetsGoOfItsWindowWhenTheWindowIsDestroyed) {
  CBaseTestWnd w;
  ASSERT_TRUE(w.Create());
  HWND h = w.hwnd();
  EXPECT_EQ(fw::CWnd::FromHandle(h), &w);
  ::DestroyWindow(h);
  EXPECT_EQ(w.hwnd(), nullptr);
  EXPECT_EQ(fw::CWnd::FromHandle(h), nullptr);
}

namespace {
class CExchangeDialog : public fw::CDialog {
 public:
  CExchangeDialog() : fw::CDialog(200) {}
  std::wstring text = L"钢琴";
  int check = BST_CHECKED;
  int radio = 1;
  int list = 2;
  std::wstring seenText;
  int seenCheck = -1, seenRadio = -2, seenList = -2;

 protected:
  void DoDataExchange(fw::DataExchange& dx) override {
    fw::DDX_Text(dx, 201, text);
    fw::DDX_Check(dx, 202, check);
    fw::DDX_Radio(dx, 203, radio);
    fw::DDX_ListIndex(dx, 206, list);
  }
  BOOL OnInitDialog() override {
    for (const wchar_t* s : {L"默认", L"淡蓝", L"银色", L"粉色"})
      ::SendMessageW(Item(206), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    fw::CDialog::OnInitDialog();
    // Record what the controls show, then change them as a user would and confirm.
    seenText = fw::GetWindowTextString(Item(201));
    seenCheck = static_cast<int>(::SendMessageW(Item(202), BM_GETCHECK, 0, 0));
    seenRadio = ::SendMessageW(Item(204), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : -1;
    seenList = static_cast<int>(::SendMessageW(Item(206), LB_GETCURSEL, 0, 0));
    ::SetWindowTextW(Item(201), L"吉他");
    ::SendMessageW(Item(202), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(Item(204), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(Item(205), BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageW(Item(206), LB_SETCURSEL, 3, 0);
    ::PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
  }
};
}  // namespace

TEST(Dialog, DataExchangeFillsControlsAndReadsThemBackOnOk) {
  CExchangeDialog dlg;
  EXPECT_EQ(dlg.DoModal(nullptr), IDOK);
  EXPECT_EQ(dlg.seenText, L"钢琴");
  EXPECT_EQ(dlg.seenCheck, BST_CHECKED);
  EXPECT_EQ(dlg.seenRadio, 1);
  EXPECT_EQ(dlg.seenList, 2);
  EXPECT_EQ(dlg.text, L"吉他");
  EXPECT_EQ(dlg.check, BST_UNCHECKED);
  EXPECT_EQ(dlg.radio, 2);
  EXPECT_EQ(dlg.list, 3);
  EXPECT_EQ(dlg.hwnd(), nullptr);
}

TEST(Dialog, MissingTemplateFailsInsteadOfHanging) {
  fw::CDialog dlg(9999);
  EXPECT_EQ(dlg.DoModal(nullptr), -1);
}

TEST(WindowThread, StartWaitsForCreationAndStopEndsTheLoop) {
  fw::CWindowThread thread;
  std::atomic<DWORD> creatorThread{0};
  std::atomic<bool> destroyed{false};
  HWND window = nullptr;
  ASSERT_TRUE(thread.Start(
      [&] {
        creatorThread = ::GetCurrentThreadId();
        window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        return window != nullptr;
      },
      [&] {
        ::DestroyWindow(window);
        destroyed = true;
      },
      10000));
  EXPECT_NE(creatorThread.load(), ::GetCurrentThreadId());
  EXPECT_EQ(::GetWindowThreadProcessId(window, nullptr), creatorThread.load());
  EXPECT_TRUE(thread.running());
  EXPECT_TRUE(thread.Stop(2000));
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(thread.running());
}

// A thread that has a low-level hook makes and ends window threads serving
// what is sent to it; others leave sent messages waiting (they may be jobs
// that must not run in the middle of their work).
TEST(WindowThread, WaitsServeSentMessagesOnlyWhenAskedTo) {
  HWND mine = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(mine, nullptr);
  for (const bool serve : {true, false}) {
    fw::CWindowThread thread;
    if (serve) thread.ServeSentMessagesWhileWaiting();
    // Sent from the window thread to this one while this one waits for it.
    std::atomic<int> answered{0};
    const auto send = [&] {
      DWORD_PTR unused = 0;
      if (::SendMessageTimeoutW(mine, WM_NULL, 0, 0, SMTO_NORMAL, 300, &unused)) ++answered;
    };
    EXPECT_TRUE(thread.Start(
        [&] {
          send();
          return true;
        },
        send, 5000));
    EXPECT_TRUE(thread.Stop(5000));
    EXPECT_EQ(answered.load(), serve ? 2 : 0) << "serving " << serve;
  }
  ::DestroyWindow(mine);
}

TEST(WindowThread, FailedOrSlowCreationReportsFailureWithinTheBound) {
  fw::CWindowThread failing;
  EXPECT_FALSE(failing.Start([] { return false; }, nullptr, 10000));

  fw::CWindowThread slow;
  const DWORD t0 = ::GetTickCount();
  EXPECT_FALSE(slow.Start(
      [] {
        ::Sleep(1500);
        return true;
      },
      nullptr, 200));
  // The bound (200 ms) plus the bounded stop; never the full creation time twice.
  EXPECT_LT(::GetTickCount() - t0, 4000u);
}

TEST(Handles, OwnersCloseExactlyOnceAndMoveOwnership) {
  fw::UniqueKernelHandle a(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(a);
  HANDLE raw = a.get();
  fw::UniqueKernelHandle b(std::move(a));
  EXPECT_FALSE(a);
  EXPECT_EQ(b.get(), raw);
  fw::UniqueKernelHandle c(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE other = c.get();
  c = std::move(b);  // closes c's own event, takes b's
  EXPECT_EQ(c.get(), raw);
  DWORD flags = 0;
  EXPECT_FALSE(::GetHandleInformation(other, &flags));
  c.reset();
  EXPECT_FALSE(::GetHandleInformation(raw, &flags));
}

TEST(Text, GbkConversionUsesCodePage936WhateverTheLocale) {
  const std::string gbk = "\xB8\xD6\xC7\xD9";  // 钢琴
  EXPECT_EQ(fw::GbkToWide(gbk), L"\u94A2\u7434");
  EXPECT_EQ(fw::WideToGbk(L"\u94A2\u7434"), gbk);
  EXPECT_EQ(fw::GbkToWide(""), L"");
}

namespace {
fw::CWindowThread* g_selfDestroying = nullptr;
LRESULT CALLBACK SelfDestroyingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 7) {
    delete g_selfDestroying;  // the owner goes from a handler on its own thread
    g_selfDestroying = nullptr;
    return 0;
  }
  return ::DefWindowProcW(h, m, w, l);
}
}  // namespace

TEST(WindowThread, OwnerDestroyedFromItsOwnThreadEndsTheThreadSafely) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &SelfDestroyingProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SelfDestroyingTest";
  ::RegisterClassW(&wc);
  std::atomic<bool> destroyRan{false};
  HWND window = nullptr;
  g_selfDestroying = new fw::CWindowThread;
  ASSERT_TRUE(g_selfDestroying->Start(
      [&] {
        window = ::CreateWindowExW(0, L"SelfDestroyingTest", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        return window != nullptr;
      },
      [&] { destroyRan = true; }, 10000));
  fw::UniqueKernelHandle thread(::OpenThread(SYNCHRONIZE, FALSE, g_selfDestroying->threadId()));
  ASSERT_TRUE(thread);
  ::PostMessageW(window, WM_USER + 7, 0, 0);
  EXPECT_EQ(::WaitForSingleObject(thread.get(), 5000), WAIT_OBJECT_0);
  EXPECT_EQ(g_selfDestroying, nullptr);
  EXPECT_FALSE(destroyRan);  // it would only have reached what was going away
}
