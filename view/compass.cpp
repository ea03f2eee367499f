// The compass: needle geometry and the drawing of dial, needle and hub.
#include "view/compass.h"

#include <cmath>

#include "platform/gdi.h"
#include "platform/user.h"
#include "view/pixels.h"

PixelPoint CompassCentre(const RECT* client) {
  return PixelPoint{AddSaturated(client->right, -CompassInset),
                    AddSaturated(client->top, CompassInset)};
}

RECT CircleBox(PixelPoint centre, std::int32_t radius) {
  return RECT{AddSaturated(centre.x, -radius), AddSaturated(centre.y, -radius),
              AddSaturated(centre.x, radius), AddSaturated(centre.y, radius)};
}

NeedleEndPoints NeedleEnds(std::int32_t cx, std::int32_t cy, double course) {
  double t = (360.0 - course) * CompassDegreeToRadian;
  double s = std::sin(t) * CompassNeedleLength;
  double c = std::cos(t) * CompassNeedleLength;
  double x = cx;
  double y = cy;
  NeedleEndPoints ends;
  ends.red = PixelPoint{TruncateToInt32(x - s, cx), TruncateToInt32(y + c, cy)};
  ends.blue = PixelPoint{TruncateToInt32(x + s, cx), TruncateToInt32(y - c, cy)};
  return ends;
}

namespace {

HPEN CreateNeedlePen(COLORREF colour) {
  LOGPEN pen{};
  pen.lopnStyle = PS_SOLID;
  pen.lopnWidth.x = CompassNeedleWidth;
  pen.lopnColor = colour;
  return CreatePenIndirect(&pen);
}

}  // namespace

void DrawCompass(HWND window, HDC surface) {
  RECT client{0, 0, 0, 0};
  GetClientRect(window, &client);
  PixelPoint centre = CompassCentre(&client);

  // The black disc also wipes out the previous needle. Its outline is the surface's own pen.
  HBRUSH blackBrush = CreateSolidBrush(RGB(0, 0, 0));
  HGDIOBJ oldBrush = SelectObject(surface, blackBrush);
  RECT dial = CircleBox(centre, CompassDialRadius);
  Ellipse(surface, dial.left, dial.top, dial.right, dial.bottom);
  SelectObject(surface, oldBrush);
  DeleteObject(blackBrush);

  NeedleEndPoints ends = NeedleEnds(centre.x, centre.y, trackState.current.course);
  HPEN redPen = CreateNeedlePen(RGB(255, 0, 0));
  HGDIOBJ oldPen = SelectObject(surface, redPen);
  MoveToEx(surface, centre.x, centre.y, nullptr);
  LineTo(surface, ends.red.x, ends.red.y);
  HPEN bluePen = CreateNeedlePen(RGB(0, 0, 255));
  SelectObject(surface, bluePen);
  MoveToEx(surface, centre.x, centre.y, nullptr);
  LineTo(surface, ends.blue.x, ends.blue.y);
  SelectObject(surface, oldPen);

  // The hub takes the surface's own pen and brush: black outline, white fill on a fresh one.
  RECT hub = CircleBox(centre, CompassHubRadius);
  Ellipse(surface, hub.left, hub.top, hub.right, hub.bottom);
  DeleteObject(redPen);
  DeleteObject(bluePen);
}
