#include "platform/ui/Themes.h"

#include <QApplication>
#include <QStyle>
#include <QStyleOption>

#include "platform/ui/QtGlue.h"

TThemeServices* ThemeServices() {
    static TThemeServices services;
    return &services;
}

namespace {
QStyle::State StateOf(const TThemedElementDetails& d) {
    QStyle::State s = QStyle::State_None;
    if (d.state != tsDisabled) s |= QStyle::State_Enabled;
    if (d.state == tsHot) s |= QStyle::State_MouseOver;
    if (d.state == tsPressed) s |= QStyle::State_Sunken;
    else s |= QStyle::State_Raised;
    if (d.check == tcChecked) s |= QStyle::State_On;
    if (d.check == tcMixed) s |= QStyle::State_NoChange;
    if (d.check == tcUnchecked) s |= QStyle::State_Off;
    return s;
}
}  // namespace

void TThemeServices::DrawElement(HDC dc, const TThemedElementDetails& d, const TRect& r) const {
    if (!dc || r.IsEmpty() || !QApplication::instance()) return;
    QStyle* style = QApplication::style();
    QRect rect = ToQRect(r);
    CanvasPaint(dc, [&](QPainter& p) {
        switch (d.part) {
        case tpPushButton:
        case tpToolButton: {
            QStyleOptionButton o;
            o.rect = rect;
            o.state = StateOf(d);
            if (d.state == tsDefaulted) o.features |= QStyleOptionButton::DefaultButton;
            style->drawControl(QStyle::CE_PushButtonBevel, &o, &p);
            break;
        }
        case tpCheckBox:
        case tpRadioButton: {
            QStyleOptionButton o;
            o.rect = rect;
            o.state = StateOf(d);
            style->drawPrimitive(d.part == tpCheckBox ? QStyle::PE_IndicatorCheckBox : QStyle::PE_IndicatorRadioButton,
                                 &o, &p);
            break;
        }
        case tpComboDropDown:
        case tpScrollArrowUp:
        case tpScrollArrowDown:
        case tpScrollArrowLeft:
        case tpScrollArrowRight:
        case tpSpinUp:
        case tpSpinDown:
        case tpSpinRight:
        case tpSpinLeft: {
            QStyleOptionButton o;
            o.rect = rect;
            o.state = StateOf(d);
            style->drawPrimitive(QStyle::PE_PanelButtonCommand, &o, &p);
            QStyleOption a;
            a.rect = rect.adjusted(3, 3, -3, -3);
            a.state = o.state;
            QStyle::PrimitiveElement arrow =
                d.part == tpScrollArrowUp                                  ? QStyle::PE_IndicatorArrowUp
                : d.part == tpSpinUp                                       ? QStyle::PE_IndicatorSpinUp
                : d.part == tpSpinDown                                     ? QStyle::PE_IndicatorSpinDown
                : d.part == tpScrollArrowLeft || d.part == tpSpinLeft      ? QStyle::PE_IndicatorArrowLeft
                : d.part == tpScrollArrowRight || d.part == tpSpinRight    ? QStyle::PE_IndicatorArrowRight
                                                                           : QStyle::PE_IndicatorArrowDown;
            style->drawPrimitive(arrow, &a, &p);
            break;
        }
        case tpProgressBar:
        case tpProgressBarVert:
        case tpProgressChunk:
        case tpProgressChunkVert: {
            QStyleOptionProgressBar o;
            o.rect = rect;
            o.state = StateOf(d);
            // Styles draw grooves a pixel outside and turn vertical bars about the origin, as a progress
            // widget's own rectangle has it: keep the part inside its rectangle, drawn from the origin.
            p.setClipRect(rect, Qt::IntersectClip);
            p.translate(rect.topLeft());
            o.rect = QRect(QPoint(0, 0), rect.size());
            if (d.part == tpProgressBar || d.part == tpProgressChunk) o.state |= QStyle::State_Horizontal;
            o.minimum = 0;
            o.maximum = 100;
            bool chunk = d.part == tpProgressChunk || d.part == tpProgressChunkVert;
            o.progress = chunk ? 100 : 0;
            style->drawControl(chunk ? QStyle::CE_ProgressBarContents : QStyle::CE_ProgressBarGroove, &o, &p);
            break;
        }
        case tpCloseButton: {
            QStyleOption o;
            o.rect = rect;
            o.state = StateOf(d);
            style->drawPrimitive(QStyle::PE_IndicatorTabClose, &o, &p);
            break;
        }
        case tpStatusPane:
        case tpStatusBar: {
            QStyleOption o;
            o.rect = rect;
            o.state = StateOf(d);
            p.fillRect(rect, o.palette.window());
            if (d.part == tpStatusPane) style->drawPrimitive(QStyle::PE_FrameStatusBarItem, &o, &p);
            break;
        }
        case tpTab:
        case tpTabPane: {
            QStyleOptionTab o;
            o.rect = rect;
            o.state = StateOf(d);
            if (d.part == tpTab)
                style->drawControl(QStyle::CE_TabBarTabShape, &o, &p);
            else {
                QStyleOptionTabWidgetFrame f;
                f.rect = rect;
                style->drawPrimitive(QStyle::PE_FrameTabWidget, &f, &p);
            }
            break;
        }
        }
    });
}

TRect TThemeServices::ContentRect(const TThemedElementDetails&, const TRect& r) const {
    TRect c = r;
    InflateRect(c, -3, -3);
    return c;
}
