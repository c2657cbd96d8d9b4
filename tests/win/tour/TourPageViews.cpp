#include "app/PageViews.h"
#include "win/support/TourWebView.h"

namespace vorn2 {

std::unique_ptr<IWebView> CreatePageView() { return test::CreateTourWebView(); }

}  // namespace vorn2
