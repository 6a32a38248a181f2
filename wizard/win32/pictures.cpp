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
  const int cx = 27, cy = 14, radius = 12;
  FillEllipse(dc, g.X(cx - radius), g.Y(cy - radius), g.X(cx + radius), g.Y(cy + radius),
              RGB(214, 220, 232), RGB(110, 120, 140));
  FillEllipse(dc, g.X(cx - 8), g.Y(cy - 8), g.X(cx + 8), g.Y(cy + 8), RGB(182, 206, 236),
              RGB(150, 170, 200));
  FillEllipse(dc, g.X(cx - 3), g.Y(cy - 3), g.X(cx + 3), g.Y(cy + 3), background,
              RGB(110, 120, 140));

  // Box: right side, top rim, front face.
  const POINT side[] = {g.P(36, 20), g.P(44, 15), g.P(44, 38), g.P(36, 44)};
  FillPolygon(dc, side, 4, RGB(30, 70, 160), outline);
  const POINT rim[] = {g.P(4, 20), g.P(12, 15), g.P(44, 15), g.P(36, 20)};
  FillPolygon(dc, rim, 4, RGB(120, 160, 225), outline);
  // Redraw the disc's lower part in front of the rim's far edge.
  const POINT front[] = {g.P(4, 20), g.P(36, 20), g.P(36, 44), g.P(4, 44)};
  FillPolygon(dc, front, 4, RGB(50, 100, 200), outline);
  // A label stripe across the front.
  const POINT stripe[] = {g.P(4, 27), g.P(36, 27), g.P(36, 33), g.P(4, 33)};
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
