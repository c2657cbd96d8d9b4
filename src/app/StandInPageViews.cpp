#include "app/PageViews.h"

#include "standin/win/StandInWebView.h"

namespace vorn2 {

std::unique_ptr<IWebView> CreatePageView() { return standin::CreateStandInWebView(); }

}  // namespace vorn2
