// WebUrl: the page window of one tab. A hidden top-level window (no border,
// no taskbar button) with a box (Picture1) that holds the browser control;
// the tab model adopts it into the main window's content panel. It reports
// its page's title to its tab and refreshes on request.
//
// WebUrlTab is the window as the tab model sees it (ITabForm): it owns the
// page window, and the page holds its tab item until the model unloads it.
#pragma once

#include <memory>
#include <string>

#include "framework/win/Form.h"
#include "framework/win/IWebView.h"
#include "framework/win/PictureBox.h"
#include "tabs/TabModel.h"

namespace vorn2 {

using WebViewFactory = std::function<std::unique_ptr<IWebView>()>;

class WebUrl final : public Form {
 public:
  // The product passes no factory and gets the system's browser control.
  explicit WebUrl(WebViewFactory createWebView = {});
  ~WebUrl() override;

  // Loads the window on first use (which goes to "about:blank"), then
  // navigates to the address.
  void OpenURL(const std::string& szURL);

  PictureBox& Picture1() { return picture1_; }
  IWebView* wb() { return wb_.get(); }

  // What the tab model hands over (ITabForm::Initialize).
  void SetTab(std::weak_ptr<IuTab> implement, std::shared_ptr<CTabItem> item);
  const std::shared_ptr<CTabItem>& Item() const { return item_; }

 protected:
  void OnLoad() override;
  void OnUnload(bool& cancel) override;
  void OnResize() override;
  void OnDpiChanged() override;

 private:
  void PlaceBrowser();
  int BrowserBorder() const;
  void OnDocumentComplete();

  WebViewFactory createWebView_;
  PictureBox picture1_;
  std::unique_ptr<IWebView> wb_;
  std::weak_ptr<IuTab> implement_;
  std::shared_ptr<CTabItem> item_;
};

class WebUrlTab final : public ITabForm {
 public:
  static std::shared_ptr<WebUrlTab> New(WebViewFactory createWebView = {});
  explicit WebUrlTab(WebViewFactory createWebView) : page_(std::move(createWebView)) {}

  WebUrl& Page() { return page_; }

  WindowHandle hWnd() override;
  void Initialize(std::weak_ptr<IuTab> Implement, std::shared_ptr<CTabItem> Item) override;
  void RefreshPage() override;
  void Unload() override;

 private:
  WebUrl page_;
};

}  // namespace vorn2
