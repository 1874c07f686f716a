#pragma once
// How large a text may be drawn in an area: the presenter's single name and
// the title line of a prize batch are fitted the same way.
#include <windows.h>

#include <functional>

// The largest font height in pixels (1 up) at which the text, as measure
// reports its extent at that height, fits within 90 % of the area's width and
// 60 % of its height. 1 when nothing fits. measure must not shrink as the
// height grows.
int FitPresenterFontHeight(SIZE area, const std::function<SIZE(int height)>& measure);
