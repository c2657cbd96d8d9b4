#include "app/PageViews.h"

#include "framework/win/WebBrowserHost.h"

namespace vorn2 {

std::unique_ptr<IWebView> CreatePageView() { return CreateWebBrowser(); }

}  // namespace vorn2
