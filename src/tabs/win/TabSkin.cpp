#include "tabs/win/TabSkin.h"

#include "framework/ArtworkScale.h"
#include "resource_ids.h"

namespace vorn2::tab_skin {

const SkinSheet kSkin0{IDB_TAB_SKIN0, {1, 123, 245, 367, 379, 391, 403}, {}};
const SkinSheet kSkin1{IDB_TAB_SKIN1, {1, 125, 249, 373, 385, 397, 409}, {26}};

namespace {

StyleMetrics ScaledMetrics(const StyleMetrics& m, const SkinSheet& sheet, DpiScale scale) {
  auto at = [&](int x) { return ScaledCellPosition(sheet.columns, x, scale); };
  auto px = [&](int v) { return scale.Px(v); };
  return StyleMetrics{.height = px(m.height),
                      .imageSrcWidth = px(m.imageSrcWidth),
                      .imageSrcHeight = px(m.imageSrcHeight),
                      .srcNormal = at(m.srcNormal),
                      .srcHover = at(m.srcHover),
                      .srcSelected = at(m.srcSelected),
                      .imageLeftExtra = px(m.imageLeftExtra),
                      .imageHeight = px(m.imageHeight),
                      .captionDx = px(m.captionDx),
                      .captionHeight = px(m.captionHeight),
                      .captionOther = px(m.captionOther),
                      .captionOtherNoButton = px(m.captionOtherNoButton),
                      .captionSelected = px(m.captionSelected),
                      .captionSelectedNoButton = px(m.captionSelectedNoButton),
                      .glyphDx = px(m.glyphDx),
                      .glyphY = px(m.glyphY),
                      .glyphSelected = at(m.glyphSelected),
                      .glyphOther = at(m.glyphOther),
                      .glyphHot = at(m.glyphHot),
                      .glyphPressed = at(m.glyphPressed),
                      .glyphSize = px(m.glyphSize),
                      .margin = px(m.margin),
                      .backSrcHeight = ScaledCellPosition(sheet.rows, m.backSrcHeight, scale)};
}

}  // namespace

StyleMetrics MetricsFor(std::int32_t style, DpiScale scale) {
  return style == 0 ? ScaledMetrics(kCompact, kSkin0, scale) : ScaledMetrics(kRounded, kSkin1, scale);
}

mdlTabAPI::UniqueMemDC LoadSkin(const PicturePtr& artwork, const SkinSheet& sheet, DpiScale scale) {
  const PicturePtr scaled = artwork ? artwork->ScaledCells(sheet.columns, sheet.rows, scale) : nullptr;
  if (!scaled) return {};
  try {
    mdlTabAPI::UniqueMemDC dc(mdlTabAPI::CreateMemDC(scaled->WidthPixels(), scaled->HeightPixels()));
    const UniqueDC source(CreateCompatibleDC(dc.get()));
    const SelectGuard selected(source.get(), scaled->Handle());
    BitBlt(dc.get(), 0, 0, scaled->WidthPixels(), scaled->HeightPixels(), source.get(), 0, 0, SRCCOPY);
    return dc;
  } catch (const TabDrawError&) {
    return {};
  }
}

}  // namespace vorn2::tab_skin
