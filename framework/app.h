// Application object, single-document template and control views.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "framework/frame.h"
#include "framework/window.h"

namespace fw {

// A document that holds the data shown by a frame's views.
class CDocument {
 public:
  virtual ~CDocument() = default;
  virtual bool OnNewDocument() { return true; }
};

// Creates the document and its frame for a single-document program.
class CSingleDocTemplate {
 public:
  using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
  using FrameFactory = std::function<std::unique_ptr<CFrameWnd>()>;

  CSingleDocTemplate(UINT resourceId, DocumentFactory newDocument, FrameFactory newFrame)
      : resourceId_(resourceId), newDocument_(std::move(newDocument)), newFrame_(std::move(newFrame)) {}

  // Makes a new, empty document and its frame (which creates its bars and
  // views). The frame is titled with the first field of the template's
  // document string and carries the template's icon. Returns the frame, or
  // nullptr on failure.
  CFrameWnd* OpenNewDocument(DWORD frameStyle);
  CFrameWnd* frame() const { return frame_.get(); }
  CDocument* document() const { return document_.get(); }
  void Close();

 private:
  UINT resourceId_;
  DocumentFactory newDocument_;
  FrameFactory newFrame_;
  std::unique_ptr<CDocument> document_;
  std::unique_ptr<CFrameWnd> frame_;
};

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up: false ends the program at once.
  virtual bool InitInstance() = 0;
  // Returns the process exit code.
  virtual int ExitInstance() { return exitCode_; }
  // Runs the message loop until WM_QUIT.
  int Run();

  HINSTANCE instance() const { return instance_; }
  void SetInstance(HINSTANCE instance) { instance_ = instance; }
  static CWinApp* Current();

  // Registers a document template; the application owns it.
  CSingleDocTemplate* AddDocTemplate(std::unique_ptr<CSingleDocTemplate> tmpl);
  // Handles the command line as the shell would: with no arguments, a new
  // empty document.
  bool ProcessShellCommand(DWORD frameStyle);
  CFrameWnd* mainFrame() const { return docTemplate_ ? docTemplate_->frame() : nullptr; }

 protected:
  int exitCode_ = 0;

 private:
  HINSTANCE instance_ = nullptr;
  std::unique_ptr<CSingleDocTemplate> docTemplate_;
};

// WinMain body: start-up, message loop, exit.
int RunApplication(CWinApp& app, HINSTANCE instance);

// A common control used as a view: the control window itself, subclassed, so
// that notifications reflected by its parent reach its own message table.
class CControlView : public CWnd {
 public:
  bool CreateControl(const wchar_t* controlClass, HWND parent, UINT id, DWORD style, DWORD exStyle, SIZE initial);
  // Called once after the control exists (the framework's "initial update").
  virtual void OnInitialUpdate() {}
};

}  // namespace fw
