// The item list on the right of the main window: large pictures of the items
// of the selected category.
#pragma once

#include "framework/app.h"
#include "framework/handles.h"

// The item list on the right of the launcher's main window; a double click starts a game.
class CTobbleView : public fw::CControlView {
 public:
  bool Create(HWND parent, UINT id, SIZE initial);
  // Lists the items of a category row (-1: none) from scratch.
  void ShowCategory(int categoryRow);
  // Lists the family's own cards, each with its photo.
  void ShowFamily();
  // After a card was added, changed or removed: the family's list again.
  void RefreshFamily();
  // Starts the first selected item in list order; returns 1 when a game ran.
  int StartSelectedItem();
  // Has the first selected item's name spoken.
  void SpeakSelectedItem();
  // Catalog row of the first selected entry, or -1.
  int FirstSelectedRow() const;
  // Id of the first selected family card, or -1.
  int FirstSelectedFamilyCard() const;
  // Item data of a family card's entry: this plus the card's id.
  static constexpr LPARAM kFamilyParamBase = 0x10000000;

 protected:
  void OnInitialUpdate() override;
  FW_DECLARE_MESSAGE_MAP()

 private:
  LRESULT OnClick(NMHDR*);
  LRESULT OnDoubleClick(NMHDR*);
  LRESULT OnRightClick(NMHDR*);
  LPARAM FirstSelectedParam() const;
  void NewImageList();
  // Appends a catalog row: its picture and its name, with the row as item data.
  void AppendItem(int row);
  void ShowSelectFirstMessage();

  fw::UniqueImageList images_;
  bool showingFamily_ = false;
};
