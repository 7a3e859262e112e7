// The stored-layout text of the controls: whatever text the bag accepts, the text it writes
// back loads again, to the same keys, kinds and values, and is written the same way again.
#include <QGuiApplication>
#include <QImage>

#include "FuzzCheck.h"
#include "PropertyBag.h"

namespace {

// Fonts and pictures need the application object; the offscreen platform needs no display.
void StartApplication() {
    static int argc = 1;
    static char name[] = "property_bag_fuzz";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(argc, argv);
}

bool SameValue(const QVariant& a, const QVariant& b) {
    if (a.typeId() != b.typeId()) return false;
    switch (a.typeId()) {
        case QMetaType::QFont: {
            const QFont x = a.value<QFont>(), y = b.value<QFont>();
            return x.family() == y.family() && x.pointSizeF() == y.pointSizeF() &&
                   x.bold() == y.bold() && x.italic() == y.italic() &&
                   x.underline() == y.underline() && x.strikeOut() == y.strikeOut();
        }
        case QMetaType::QImage: {
            const QImage x = a.value<QImage>(), y = b.value<QImage>();
            return x.size() == y.size() && x.convertToFormat(QImage::Format_ARGB32) ==
                                               y.convertToFormat(QImage::Format_ARGB32);
        }
        case QMetaType::Double:
            return a.toDouble() == b.toDouble();
        default:
            return a == b;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto loaded = PropertyBag::FromText(text);
    if (!loaded) return 0;
    const QString saved = loaded->ToText();
    const auto reloaded = PropertyBag::FromText(saved);
    FUZZ_CHECK(reloaded.has_value());
    FUZZ_CHECK(reloaded->Keys() == loaded->Keys());
    for (const QString& key : loaded->Keys())
        FUZZ_CHECK(SameValue(loaded->ReadValue(key), reloaded->ReadValue(key)));
    FUZZ_CHECK(reloaded->ToText() == saved);
    return 0;
}
