// Top-level frame with docked bars and a client area, and the bars themselves
// (dialog bar from a template, status bar).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/window.h"

namespace fw {

// Ids the frame gives its standard children.
inline constexpr UINT kIdDialogBar = 0xE805;
inline constexpr UINT kIdStatusBar = 0xE801;

enum class Dock { Top, Bottom };

// A bar docked at one edge of a frame, as high as it wants to be.
class CControlBar {
 public:
  virtual ~CControlBar() = default;
  virtual HWND barWindow() const = 0;
  virtual int DesiredHeight() const = 0;
  Dock dock() const { return dock_; }

 protected:
  Dock dock_ = Dock::Top;
};

// A bar built from a child dialog template. Commands of its controls that it
// does not handle itself go on to the frame.
class CDialogBar : public CDialog, public CControlBar {
 public:
  explicit CDialogBar(UINT templateId, HINSTANCE resources = nullptr) : CDialog(templateId, resources) {}
  bool Create(HWND frame, Dock dock, UINT id = kIdDialogBar);
  HWND barWindow() const override { return hwnd_; }
  int DesiredHeight() const override { return height_; }

 protected:
  bool DispatchDialog(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Enter and Escape in a bar must not close it.
  void OnOK() override {}
  void OnCancel() override {}

 private:
  int height_ = 0;
};

// The common status bar with one pane.
class CStatusBar : public CWnd, public CControlBar {
 public:
  bool Create(HWND frame, UINT id = kIdStatusBar);
  HWND barWindow() const override { return hwnd_; }
  int DesiredHeight() const override;
  void SetText(const std::wstring& text);
};

class CFrameWnd : public CWnd {
 public:
  bool Create(const wchar_t* title, DWORD style, HICON icon);
  // Bars are laid out in the order they are added, from the edge inwards.
  void AddBar(CControlBar* bar) { bars_.push_back(bar); }
  void SetClient(HWND client) { client_ = client; }
  void RecalcLayout();
  RECT ClientArea() const;  // the area left for the client window

 protected:
  // Creates the client window (a view or a splitter); false fails creation.
  virtual bool OnCreateClient(CREATESTRUCTW*) { return true; }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  std::vector<CControlBar*> bars_;
  HWND client_ = nullptr;
};

}  // namespace fw
