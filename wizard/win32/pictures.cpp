// The wizard's two pictures, drawn with plain GDI so the program carries no
// bitmap resources: a software box with a disc for the header band, and a
// yellow folder for the Directory page. Coordinates are given on the design
// grid (48 x 48 and 32 x 32) and scaled to the target rectangle.
#include "wizard/win32/pictures.h"

namespace scr {
namespace {

struct Grid {
  RECT r;
  int size;
  int X(int x) const { return r.left + MulDiv(x, r.right - r.left, size); }
  int Y(int y) const { return r.top + MulDiv(y, r.bottom - r.top, size); }
  POINT P(int x, int y) const {
    POINT p = {X(x), Y(y)};
    return p;
  }
};

void FillPolygon(HDC dc, const POINT* points, int count, COLORREF fill, COLORREF line) {
  HBRUSH brush = CreateSolidBrush(fill);
  HPEN pen = CreatePen(PS_SOLID, 1, line);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  Polygon(dc, points, count);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void FillEllipse(HDC dc, int left, int top, int right, int bottom, COLORREF fill, COLORREF line) {
  HBRUSH brush = CreateSolidBrush(fill);
  HPEN pen = CreatePen(PS_SOLID, 1, line);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  Ellipse(dc, left, top, right, bottom);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);
}

}  // namespace

void DrawSoftwareBox(HDC dc, const RECT& rect, COLORREF background) {
  HBRUSH back = CreateSolidBrush(background);
  FillRect(dc, &rect, back);
  DeleteObject(back);
  const Grid g = {rect, 48};
  const COLORREF outline = RGB(20, 40, 110);

  // The disc stands half out of the open box, behind its front face.
  const int cx = 25, cy = 14, radius = 13;
  FillEllipse(dc, g.X(cx - radius), g.Y(cy - radius), g.X(cx + radius), g.Y(cy + radius),
              RGB(222, 226, 236), RGB(110, 120, 140));
  FillEllipse(dc, g.X(cx - 9), g.Y(cy - 9), g.X(cx + 9), g.Y(cy + 9), RGB(176, 204, 240),
              RGB(150, 170, 200));
  FillEllipse(dc, g.X(cx - 4), g.Y(cy - 4), g.X(cx + 4), g.Y(cy + 4), RGB(240, 240, 244),
              RGB(110, 120, 140));
  FillEllipse(dc, g.X(cx - 2), g.Y(cy - 2), g.X(cx + 2), g.Y(cy + 2), background,
              RGB(110, 120, 140));

  // Box: right side, the open top's far rim, front face and a label stripe.
  const POINT side[] = {g.P(36, 26), g.P(44, 21), g.P(44, 41), g.P(36, 46)};
  FillPolygon(dc, side, 4, RGB(30, 70, 160), outline);
  const POINT rim[] = {g.P(4, 26), g.P(12, 21), g.P(14, 21), g.P(8, 26)};
  FillPolygon(dc, rim, 4, RGB(120, 160, 225), outline);
  const POINT rim_right[] = {g.P(32, 26), g.P(38, 21), g.P(44, 21), g.P(36, 26)};
  FillPolygon(dc, rim_right, 4, RGB(120, 160, 225), outline);
  const POINT front[] = {g.P(4, 26), g.P(36, 26), g.P(36, 46), g.P(4, 46)};
  FillPolygon(dc, front, 4, RGB(50, 100, 200), outline);
  const POINT stripe[] = {g.P(4, 32), g.P(36, 32), g.P(36, 37), g.P(4, 37)};
  FillPolygon(dc, stripe, 4, RGB(250, 200, 40), RGB(200, 150, 20));
}

void DrawFolder(HDC dc, const RECT& rect, COLORREF background) {
  HBRUSH back = CreateSolidBrush(background);
  FillRect(dc, &rect, back);
  DeleteObject(back);
  const Grid g = {rect, 32};
  const COLORREF outline = RGB(150, 110, 20);
  const POINT rear[] = {g.P(2, 7),  g.P(4, 5),   g.P(12, 5), g.P(14, 8),
                        g.P(28, 8), g.P(28, 26), g.P(2, 26)};
  FillPolygon(dc, rear, 7, RGB(232, 186, 60), outline);
  const POINT paper[] = {g.P(5, 10), g.P(26, 10), g.P(26, 22), g.P(5, 22)};
  FillPolygon(dc, paper, 4, RGB(255, 255, 255), RGB(170, 170, 170));
  const POINT front[] = {g.P(1, 13), g.P(27, 13), g.P(30, 27), g.P(4, 27)};
  FillPolygon(dc, front, 4, RGB(255, 214, 90), outline);
}

}  // namespace scr
