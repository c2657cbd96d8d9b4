// The tour build's pages: the stand-in view, set up for a walk driven from
// outside. Environment: VORN2_TOUR_CLICK_MS, the pause before a page's start
// link is followed (default 1500; 0: never); VORN2_TOUR_FIRST_PAGE_MS, how
// long the process's first page is held back (default 0); VORN2_TOUR_LOG, a
// file that gets one line per event: "navigate URL", "complete URL" and
// "shown URL" (the page painted last changed: the selected tab's).
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/PageViews.h"
#include "framework/win/WinText.h"
#include "standin/win/StandInWebView.h"

namespace vorn2 {
namespace {

unsigned Setting(const char* name, unsigned fallback) {
  const char* text = std::getenv(name);
  return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : fallback;
}

void TourLog(const char* what, const std::wstring& url) {
  const char* path = std::getenv("VORN2_TOUR_LOG");
  std::string line = what;
  if (line == "painted") {
    static std::wstring lastShown;
    if (url.empty() || url == lastShown) return;
    lastShown = url;
    line = "shown";
  }
  if (!path) return;
  std::ofstream out(path, std::ios::app | std::ios::binary);
  out << line << " " << U8(url) << "\n";
}

}  // namespace

std::unique_ptr<IWebView> CreatePageView() {
  standin::StandInSettings settings;
  settings.followStartMs = Setting("VORN2_TOUR_CLICK_MS", 1500);
  settings.followEveryStart = true;
  settings.firstPageMs = Setting("VORN2_TOUR_FIRST_PAGE_MS", 0);
  settings.log = &TourLog;
  return standin::CreateStandInWebView(std::move(settings));
}

}  // namespace vorn2
