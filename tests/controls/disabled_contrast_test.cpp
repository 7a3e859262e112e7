// Disabled captions and check box glyphs stay readable: the drawn pixels keep a contrast of at
// least 3:1 against the background, yet less than the enabled look, so they still look disabled.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "Txt.h"
#include "control_test_support.h"

namespace {

// The strongest contrast a pixel of `area` has against `background`.
double StrongestContrast(const QImage& image, const QRect& area, const QColor& background) {
    double strongest = 1;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            strongest = std::max(strongest, ContrastRatio(image.pixelColor(x, y), background));
    return strongest;
}

QFont LargeFont() {
    QFont font("Arial");
    font.setPointSizeF(14);
    font.setBold(true);
    return font;
}

struct Looks {
    double enabled;
    double disabled;
};

// The widget's strongest contrast in `area` against the colour at `backgroundAt`, enabled and
// then disabled.
Looks Contrasts(QWidget& widget, const QRect& area, const QPoint& backgroundAt) {
    Looks looks{};
    for (bool enabled : {true, false}) {
        widget.setEnabled(enabled);
        const QImage image = widget.grab().toImage();
        const double contrast = StrongestContrast(image, area, image.pixelColor(backgroundAt));
        (enabled ? looks.enabled : looks.disabled) = contrast;
    }
    return looks;
}

void ExpectReadableYetDisabled(const Looks& looks, const char* what) {
    EXPECT_GE(looks.disabled, kDisabledContrast) << what;
    EXPECT_LT(looks.disabled, looks.enabled * 0.6) << what;
}

}  // namespace

TEST(DisabledLook, CaptionsAndGlyphsKeepThreeToOne) {
    Cmd1 button;
    button.setFont(LargeFont());
    button.resize(160, 40);
    ShowAndWait(button);
    ExpectReadableYetDisabled(Contrasts(button, button.rect(), QPoint(3, 3)), "command button");

    QWidget face;
    face.resize(300, 40);
    auto* box = new Chk1(&face);
    box->setFont(LargeFont());
    box->setSize(26);
    box->setChecked(true);
    box->setGeometry(0, 0, 300, 40);
    ShowAndWait(face);
    const QRect glyph = QRectF(Twips::ToPixels(box->GlyphRect().x(), box),
                               Twips::ToPixels(box->GlyphRect().y(), box),
                               Twips::ToPixels(box->GlyphRect().width(), box),
                               Twips::ToPixels(box->GlyphRect().height(), box))
                            .toAlignedRect();
    const QRect caption(glyph.right() + 2, 0, 300 - glyph.right() - 2, 40);
    ExpectReadableYetDisabled(Contrasts(*box, glyph, QPoint(299, 1)), "check box glyph");
    ExpectReadableYetDisabled(Contrasts(*box, caption, QPoint(299, 1)), "check box caption");

    McToolBar bar;
    bar.setFont(LargeFont());
    ShowAndWait(bar);
    ExpectReadableYetDisabled(Contrasts(bar, bar.rect(), QPoint(1, 1)), "toolbar");

    Txt text;
    text.setFont(LargeFont());
    text.setText(QStringLiteral("32000"));
    text.resize(160, 40);
    ShowAndWait(text);
    const QRect field = text.SingleLineField()->geometry();
    ExpectReadableYetDisabled(Contrasts(text, field, field.topRight() + QPoint(-2, 2)), "text box");
}

TEST(DisabledLook, ReadableGreyOnAnyBackground) {
    for (const QColor& background : {QColor(239, 239, 239), QColor(255, 255, 255),
                                     QColor(128, 128, 128), QColor(30, 30, 60)}) {
        const QColor grey = ReadableDisabledColor(background);
        EXPECT_GE(ContrastRatio(grey, background), kDisabledContrast)
            << background.name().toStdString();
    }
}
