#include "platform/ui/Windows.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

void InflateRect(TRect& r, int dx, int dy) {
    r.Left -= dx;
    r.Right += dx;
    r.Top -= dy;
    r.Bottom += dy;
}

void OffsetRect(TRect& r, int dx, int dy) {
    r.Left += dx;
    r.Right += dx;
    r.Top += dy;
    r.Bottom += dy;
}

bool IsRectEmpty(const TRect& r) { return r.IsEmpty(); }

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    int64_t p = int64_t(a) * b;
    int64_t q = p / c, rem = p % c;
    if (2 * std::abs(rem) >= std::abs(int64_t(c))) q += ((p < 0) != (c < 0)) ? -1 : 1;
    return int(q);
}

bool IntersectRect(TRect& dst, const TRect& a, const TRect& b) {
    TRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom));
    if (r.IsEmpty()) {
        dst = TRect();
        return false;
    }
    dst = r;
    return true;
}

bool UnionRect(TRect& dst, const TRect& a, const TRect& b) {
    if (a.IsEmpty()) {
        dst = b;
    } else if (b.IsEmpty()) {
        dst = a;
    } else {
        dst = TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                    std::max(a.Bottom, b.Bottom));
    }
    return !dst.IsEmpty();
}

TColor GetSysColor(int index) {
    // The classic grey scheme.
    static const TColor scheme[] = {
        RGB(192, 192, 192),  // scroll bar
        RGB(0, 128, 128),    // desktop
        RGB(0, 0, 128),      // active caption
        RGB(128, 128, 128),  // inactive caption
        RGB(192, 192, 192),  // menu
        RGB(255, 255, 255),  // window
        RGB(0, 0, 0),        // window frame
        RGB(0, 0, 0),        // menu text
        RGB(0, 0, 0),        // window text
        RGB(255, 255, 255),  // caption text
        RGB(192, 192, 192),  // active border
        RGB(192, 192, 192),  // inactive border
        RGB(128, 128, 128),  // application work space
        RGB(0, 0, 128),      // highlight
        RGB(255, 255, 255),  // highlight text
        RGB(192, 192, 192),  // button face
        RGB(128, 128, 128),  // button shadow
        RGB(128, 128, 128),  // grey text
        RGB(0, 0, 0),        // button text
        RGB(192, 192, 192),  // inactive caption text
        RGB(255, 255, 255),  // button highlight
        RGB(0, 0, 0),        // 3-D dark shadow
        RGB(192, 192, 192),  // 3-D light
        RGB(0, 0, 0),        // tooltip text
        RGB(255, 255, 225),  // tooltip background
        RGB(192, 192, 192),  // (unused)
        RGB(0, 0, 255),      // hot-tracked item
        RGB(16, 132, 208),   // active caption gradient
        RGB(181, 181, 181),  // inactive caption gradient
    };
    if (index < 0 || index >= int(std::size(scheme))) return 0;
    return scheme[index];
}

TColor ColorToRGB(TColor c) {
    if ((static_cast<uint32_t>(c) & 0xFF000000u) == 0xFF000000u) return GetSysColor(c & 0xFF);
    return c & 0xFFFFFF;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        QScreen* s = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen()
                                                                                    : nullptr;
        if (!s) return index == SM_CXSCREEN ? 1024 : 768;
        return index == SM_CXSCREEN ? s->geometry().width() : s->geometry().height();
    }
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 16;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    }
    return 0;
}
