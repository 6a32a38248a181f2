// The wizard's two pictures, drawn with plain GDI so the program carries no
// bitmap resources: a software box with a disc for the header band, and a
// yellow folder for the Directory page. Each picture is a list of shapes on
// its design grid (48 x 48 and 32 x 32), scaled to the target rectangle, so
// one small loop draws both instead of a call sequence per shape.
#include "wizard/win32/pictures.h"

namespace scr {
namespace {

// Stands for the picture's background colour, which the caller chooses.
const COLORREF kBackground = CLR_INVALID;

// A polygon of `count` corners, or (count 0) an ellipse whose bounding box
// runs from the first corner to the second.
struct Shape {
  COLORREF fill;
  COLORREF line;
  unsigned char count;
  unsigned char xy[14];
};

const COLORREF kBoxOutline = RGB(20, 40, 110);
const COLORREF kDiscEdge = RGB(110, 120, 140);

// The disc (centred at 25,14) stands half out of the open box, behind its
// front face. Then the box: right side, the open top's far rim, front face
// and a label stripe.
const Shape kSoftwareBox[] = {
    {RGB(222, 226, 236), kDiscEdge, 0, {12, 1, 38, 27}},
    {RGB(176, 204, 240), RGB(150, 170, 200), 0, {16, 5, 34, 23}},
    {RGB(240, 240, 244), kDiscEdge, 0, {21, 10, 29, 18}},
    {kBackground, kDiscEdge, 0, {23, 12, 27, 16}},
    {RGB(30, 70, 160), kBoxOutline, 4, {36, 26, 44, 21, 44, 41, 36, 46}},
    {RGB(120, 160, 225), kBoxOutline, 4, {4, 26, 12, 21, 14, 21, 8, 26}},
    {RGB(120, 160, 225), kBoxOutline, 4, {32, 26, 38, 21, 44, 21, 36, 26}},
    {RGB(50, 100, 200), kBoxOutline, 4, {4, 26, 36, 26, 36, 46, 4, 46}},
    {RGB(250, 200, 40), RGB(200, 150, 20), 4, {4, 32, 36, 32, 36, 37, 4, 37}},
};

const COLORREF kFolderOutline = RGB(150, 110, 20);

// The folder's rear with its tab, a sheet of paper, and the front flap.
const Shape kFolder[] = {
    {RGB(232, 186, 60), kFolderOutline, 7, {2, 7, 4, 5, 12, 5, 14, 8, 28, 8, 28, 26, 2, 26}},
    {RGB(255, 255, 255), RGB(170, 170, 170), 4, {5, 10, 26, 10, 26, 22, 5, 22}},
    {RGB(255, 214, 90), kFolderOutline, 4, {1, 13, 27, 13, 30, 27, 4, 27}},
};

void DrawShape(HDC dc, const RECT& r, int grid, const Shape& shape, COLORREF background) {
  POINT points[7];
  const int corners = shape.count ? shape.count : 2;
  for (int i = 0; i < corners; ++i) {
    points[i].x = r.left + MulDiv(shape.xy[2 * i], r.right - r.left, grid);
    points[i].y = r.top + MulDiv(shape.xy[2 * i + 1], r.bottom - r.top, grid);
  }
  HBRUSH brush = CreateSolidBrush(shape.fill == kBackground ? background : shape.fill);
  HPEN pen = CreatePen(PS_SOLID, 1, shape.line);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  if (shape.count)
    Polygon(dc, points, shape.count);
  else
    Ellipse(dc, points[0].x, points[0].y, points[1].x, points[1].y);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void DrawPicture(HDC dc, const RECT& rect, COLORREF background, int grid, const Shape* shapes,
                 int count) {
  HBRUSH back = CreateSolidBrush(background);
  FillRect(dc, &rect, back);
  DeleteObject(back);
  for (int i = 0; i < count; ++i) DrawShape(dc, rect, grid, shapes[i], background);
}

}  // namespace

void DrawSoftwareBox(HDC dc, const RECT& rect, COLORREF background) {
  DrawPicture(dc, rect, background, 48, kSoftwareBox, sizeof(kSoftwareBox) / sizeof(Shape));
}

void DrawFolder(HDC dc, const RECT& rect, COLORREF background) {
  DrawPicture(dc, rect, background, 32, kFolder, sizeof(kFolder) / sizeof(Shape));
}

}  // namespace scr
