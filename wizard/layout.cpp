#include "wizard/layout.h"

namespace scr {
namespace {

constexpr int Id(Control c) { return ControlId(c); }

// The link and the one-line labels stop short of what lies beside them:
// the link 8 pixels left of the button row (Back at 256), the header lines
// 8 pixels left of the header picture (at 456), the Finished line at the
// right edge of the page's text (32 + 433).
constexpr int kLinkWidth = 256 - 8 - 8;
constexpr int kTitleWidth = kHeaderPictureLeft - 8 - 18;
constexpr int kDescriptionWidth = kHeaderPictureLeft - 8 - 40;
constexpr int kLineHeight = 13;       // Tahoma 8 point at 96 dots per inch
constexpr int kTitleLineHeight = 18;  // Tahoma 11 point

constexpr Sizing kFixed = Sizing::kFixed;
constexpr Font kNormal = Font::kNormal;

constexpr LayoutEntry kLayout[] = {
    {kIdBevel1, Parent::kWindow, Kind::kRule, "", 0, 325, 513, 2, kFixed, kNormal, 0, -1},
    {kIdBevel2, Parent::kWindow, Kind::kRule, "", 0, 65, 513, 2, kFixed, kNormal, 0, -1},
    {Id(Control::Link), Parent::kWindow, Kind::kLink, "http://www.example.com/", 8, 342, kLinkWidth,
     kLineHeight, Sizing::kOneLine, Font::kLink, 0, -1},
    {Id(Control::btnCancel), Parent::kWindow, Kind::kPushButton, "Cancel", 424, 336, 81, 25, kFixed,
     kNormal, 0, 1},
    {kIdPanel2, Parent::kWindow, Kind::kPanel, "", 0, 0, 513, 65, kFixed, kNormal, 0, 4},
    {kIdImage2, Parent::kPanel2, Kind::kPicture, "", kHeaderPictureLeft, 8, 48, 48, kFixed, kNormal,
     0, -1},
    {Id(Control::lbDescription), Parent::kPanel2, Kind::kLabel,
     "Where should Screen Saver be installed?", 40, 34, kDescriptionWidth, kLineHeight,
     Sizing::kOneLine, kNormal, 0, -1},
    {Id(Control::lbTitle), Parent::kPanel2, Kind::kLabel, "Select Destination Directory", 18, 12,
     kTitleWidth, kTitleLineHeight, Sizing::kOneLine, Font::kTitle, 0, -1},
    {Id(Control::btnBack), Parent::kWindow, Kind::kPushButton, "< Back", 256, 336, 81, 25, kFixed,
     kNormal, kStartHidden, 3},
    {Id(Control::btnNext), Parent::kWindow, Kind::kPushButton, "Next >", 337, 336, 80, 25, kFixed,
     kNormal, kStartDisabled, 0},
    {kIdNotebook, Parent::kWindow, Kind::kPanel, "", 8, 72, kPageWidth, 249, kFixed, kNormal, 0, 2},
    {kIdFirstPage + 0, Parent::kNotebook, Kind::kPanel, "", 0, 0, kPageWidth, 249, kFixed, kNormal,
     kStartHidden, -1},
    {kIdFirstPage + 1, Parent::kNotebook, Kind::kPanel, "", 0, 0, kPageWidth, 249, kFixed, kNormal,
     0, -1},
    {kIdFirstPage + 2, Parent::kNotebook, Kind::kPanel, "", 0, 0, kPageWidth, 249, kFixed, kNormal,
     kStartHidden, -1},
    {kIdFirstPage + 3, Parent::kNotebook, Kind::kPanel, "", 0, 0, kPageWidth, 249, kFixed, kNormal,
     kStartHidden, -1},
    {kIdFirstPage + 4, Parent::kNotebook, Kind::kPanel, "", 0, 0, kPageWidth, 249, kFixed, kNormal,
     kStartHidden, -1},
    {kIdFirstPage + 5, Parent::kNotebook, Kind::kPanel, "", 0, 0, kPageWidth, 249, kFixed, kNormal,
     kStartHidden, -1},
    // 0 License
    {Id(Control::Label2), PageParent(kPageLicense), Kind::kLabel,
     "Please read the following License Agreement. You must accept the terms of this agreement "
     "before continuing with the installation.",
     32, 8, 417, 26, kFixed, kNormal, 0, -1},
    {Id(Control::edLicense), PageParent(kPageLicense), Kind::kReadOnlyTextArea, "", 32, 48,
     kPageTextWidth, 145, kFixed, kNormal, 0, 0},
    {Id(Control::rbAccept), PageParent(kPageLicense), Kind::kRadioButton, "I &accept the agreement",
     32, 200, 217, 17, kFixed, kNormal, kStartsGroup, 1},
    {Id(Control::rbNotAccept), PageParent(kPageLicense), Kind::kRadioButton,
     "I &do not accept the agreement", 32, 220, 249, 17, kFixed, kNormal, kStartChecked, 2},
    // 1 Directory
    {kIdImage1, PageParent(kPageDirectory), Kind::kPicture, "", 32, 8, 32, 32, kFixed, kNormal, 0,
     -1},
    {Id(Control::Label1), PageParent(kPageDirectory), Kind::kLabel,
     "Select the folder where you would like the Screen Saver to be installed, then click "
     "Install.",
     80, 8, 345, kLineHeight, Sizing::kAutoHeight, kNormal, 0, -1},
    {Id(Control::edDirectory), PageParent(kPageDirectory), Kind::kTextBox, "", 32, 48, 345, 21,
     kFixed, kNormal, 0, 1},
    {Id(Control::btnBrowse), PageParent(kPageDirectory), Kind::kPushButton, "&Browse...", 384, 46,
     83, 25, kFixed, kNormal, 0, 0},
    // 2 Ready
    {Id(Control::Label5), PageParent(kPageReady), Kind::kLabel,
     "The Setup is ready to install Screen Saver on your computer. Click Install to continue, or "
     "Cancel to exit Setup.",
     32, 8, 417, 26, kFixed, kNormal, 0, -1},
    // 3 Progress
    {Id(Control::ProgressBar), PageParent(kPageProgress), Kind::kProgressBar, "", 32, 32,
     kPageTextWidth, 25, kFixed, kNormal, 0, -1},
    // 4 Readme
    {Id(Control::Label3), PageParent(kPageReadme), Kind::kLabel, "When you are ready, click Next.",
     32, 8, 155, kLineHeight, Sizing::kAutoHeightWiden, kNormal, 0, -1},
    {Id(Control::edReadme), PageParent(kPageReadme), Kind::kTextArea, "", 32, 32, kPageTextWidth,
     193, kFixed, kNormal, 0, 0},
    // 5 Finished
    {Id(Control::Label4), PageParent(kPageFinished), Kind::kLabel, "Click Finish to exit Setup.",
     32, 8, kPageTextWidth, kLineHeight, Sizing::kOneLine, kNormal, 0, -1},
};

static_assert(std::size(kLayout) == kLayoutSize);

// The children of `parent` by tab position; a container stands for its own
// children.
void AddTabStops(Parent parent, ControlList* order) {
  int last = -1;
  for (const LayoutEntry& entry : kLayout)
    if (entry.parent == parent && entry.tab > last) last = entry.tab;
  for (int position = 0; position <= last; ++position) {
    for (const LayoutEntry& entry : kLayout) {
      if (entry.parent != parent || entry.tab != position) continue;
      if (entry.id == kIdNotebook) {
        for (int page = 0; page < kPageCount; ++page) AddTabStops(PageParent(page), order);
      } else if (entry.id == kIdPanel2) {
        AddTabStops(Parent::kPanel2, order);
      } else if (entry.id >= kFirstControlId && entry.id < ControlId(Control::kCount)) {
        order->push_back(static_cast<Control>(entry.id - kFirstControlId));
      }
    }
  }
}

}  // namespace

std::span<const LayoutEntry, kLayoutSize> WizardLayout() { return kLayout; }

const LayoutEntry& LayoutOf(Control control) {
  const int id = ControlId(control);
  for (const LayoutEntry& entry : kLayout)
    if (entry.id == id) return entry;
  // Every Control has its entry (the layout tests see to it).
  return kLayout[0];
}

int PageOf(Control control) {
  const int parent = static_cast<int>(LayoutOf(control).parent);
  const int first = static_cast<int>(Parent::kPage0);
  return parent >= first && parent < first + kPageCount ? parent - first : -1;
}

ControlList TabOrder() {
  ControlList order;
  AddTabStops(Parent::kWindow, &order);
  return order;
}

}  // namespace scr
