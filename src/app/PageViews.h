// The web view behind every page the client shows (the login page, the
// game pages). vorn2.exe links the system's browser control
// (ProductPageViews.cpp); vorn2-standin.exe (StandInPageViews.cpp) and the
// tour build link stand-ins instead, and that is the only difference between
// the programs.
#pragma once

#include <memory>

#include "framework/win/IWebView.h"

namespace vorn2 {

std::unique_ptr<IWebView> CreatePageView();

}  // namespace vorn2
