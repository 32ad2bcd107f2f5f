// A static splitter: one row of panes divided by draggable bars.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "framework/window.h"

namespace fw {

inline constexpr UINT kIdFirstPane = 0xE900;

// Factory of a pane's window, created as a child of the given parent with the given id.
using PaneFactory = std::function<std::unique_ptr<CWnd>(HWND parent, UINT id, SIZE initial)>;

// A static splitter: one row of columns divided by draggable bars.
class CSplitterWnd : public CWnd {
 public:
  enum class Element { Bar, Border };

  CSplitterWnd();
  bool CreateStatic(HWND parent, int columns, UINT id = kIdFirstPane);
  bool CreateView(int column, const PaneFactory& factory, SIZE initial);
  CWnd* GetPane(int row, int column) const;
  int columns() const { return static_cast<int>(panes_.size()); }
  void RecalcLayout();

 protected:
  // Draws a bar or the border around a pane; the default fills with the face colour.
  virtual void OnDrawSplitter(HDC dc, Element element, const RECT& rect);
  FW_DECLARE_MESSAGE_MAP()

 private:
  void OnPaint();
  void OnSize(UINT type, int cx, int cy);
  LRESULT OnLButtonDown(WPARAM, LPARAM);
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnLButtonUp(WPARAM, LPARAM);
  LRESULT OnSetCursor(WPARAM, LPARAM);
  LRESULT OnForwardToParent(WPARAM, LPARAM);
  int BarAt(int x) const;
  RECT BarRect(int bar) const;

  std::vector<std::unique_ptr<CWnd>> panes_;
  std::vector<int> widths_;
  int barWidth_ = 10;
  int gap_ = 10;
  int dragging_ = -1;
  int dragOffset_ = 0;
  UINT firstId_ = kIdFirstPane;
};

}  // namespace fw
