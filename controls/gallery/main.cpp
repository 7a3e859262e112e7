// The controls gallery: every custom control in its main states on one window, for looking at
// them by eye while working on their drawing. "--render FOLDER" writes the same controls, and the
// first of each row also hovered, pressed and keyboard-focused, as PNG files into FOLDER and
// quits without showing a window. A developer tool; not installed.
#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <vector>

#include "Chk1.h"
#include "Cmd1.h"
#include "McToolBar.h"
#include "PPB.h"
#include "Txt.h"

namespace {

QImage Dot(const QColor& colour) {
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.drawEllipse(QRect(1, 1, 13, 13));
    return icon;
}

McToolBar* MenuBar(QWidget* parent, int style) {
    auto* bar = new McToolBar(parent);
    bar->setButtonsStyle(style);
    bar->setButton_Count(3);
    const QStringList captions{"Datei", "Bearbeiten", "Hilfe"};
    for (int i = 0; i < captions.size(); ++i) {
        bar->setButton_Index(i);
        bar->setButtonCaption(captions[i]);
        bar->setButtonIcon(Dot(QColor::fromHsv(i * 110, 200, 230)));
        bar->setButtonToolTip(QStringLiteral("Menu ") + captions[i]);
        bar->setButtonToolTipIcon(i + 1);
    }
    bar->setButton_Index(2);
    bar->setButtonEnabled(false);
    bar->setButton_Index(-1);
    bar->setHoverColor(0x00FFC080);
    return bar;
}

// A control of the gallery under the name its pictures are saved as; the first of each row also
// shows what the mouse and the keyboard do to it.
struct Shown {
    QString name;
    QWidget* widget;
    bool interactive = false;
};

void AddRow(QGridLayout* grid, const QString& title, const QList<QWidget*>& widgets) {
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(title), row, 0);
    for (int i = 0; i < widgets.size(); ++i) grid->addWidget(widgets[i], row, i + 1);
}

struct Gallery {
    std::vector<Shown> shown;
    PPB* running = nullptr;
    PPB* empty = nullptr;
    PPB* custom = nullptr;
};

Gallery Build(QWidget& window) {
    Gallery gallery;
    auto& shown = gallery.shown;
    auto* grid = new QGridLayout(&window);

    auto* running = gallery.running = new PPB;
    auto* empty = gallery.empty = new PPB;
    auto* custom = gallery.custom = new PPB;
    custom->setUseCustomCaption(true);
    custom->SetCustomCaption(QStringLiteral("Lesen"));
    AddRow(grid, QStringLiteral("PPB"), {running, empty, custom});
    shown.insert(shown.end(),
                 {{"ppb_running", running}, {"ppb_empty", empty}, {"ppb_custom", custom}});

    for (int style = 0; style <= 2; ++style) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QStringLiteral("McToolBar %1").arg(style)), row, 0);
        McToolBar* bar = MenuBar(&window, style);
        grid->addWidget(bar, row, 1, 1, 3, Qt::AlignLeft);
        shown.push_back({QStringLiteral("toolbar_style%1").arg(style), bar, true});
    }

    auto* start = new Cmd1;
    start->setCaption(QStringLiteral("Start Single"));
    auto* disabled = new Cmd1;
    disabled->setCaption(QStringLiteral("Start Multiple"));
    disabled->setEnabled(false);
    auto* withPicture = new Cmd1;
    withPicture->setCaption(QStringLiteral("Werte automatisch berechnen"));
    withPicture->setPicture(Dot(Qt::yellow));
    withPicture->setPicSize(3);
    withPicture->setPicAlign(6);
    withPicture->setTextAlign(7);
    withPicture->setMinimumHeight(56);
    AddRow(grid, QStringLiteral("Cmd1"), {start, disabled, withPicture});
    shown.insert(
        shown.end(),
        {{"cmd_start", start, true}, {"cmd_disabled", disabled}, {"cmd_picture", withPicture}});

    auto* cross = new Chk1;
    cross->setCaption(QStringLiteral("Protokolldatei schreiben"));
    cross->setChecked(true);
    auto* tick = new Chk1;
    tick->setCaption(QStringLiteral("System Cache deaktivieren"));
    tick->setStyle(2);
    tick->setColorSet(2);
    auto* off = new Chk1;
    off->setCaption(QStringLiteral("Festplatten Cache Deaktivieren"));
    off->setEnabled(false);
    AddRow(grid, QStringLiteral("Chk1"), {cross, tick, off});
    shown.insert(shown.end(),
                 {{"chk_cross", cross, true}, {"chk_tick", tick}, {"chk_disabled", off}});

    auto* files = new Txt;
    files->setText(QStringLiteral("10"));
    auto* multi = new Txt;
    multi->setStyle(1);
    multi->setText(QStringLiteral("zwei\nZeilen"));
    multi->setMinimumHeight(44);
    auto* locked = new Txt;
    locked->setText(QStringLiteral("100"));
    locked->setEnabled(false);
    AddRow(grid, QStringLiteral("Txt"), {files, multi, locked});
    shown.insert(shown.end(),
                 {{"txt_files", files, true}, {"txt_multiline", multi}, {"txt_disabled", locked}});

    for (int column = 1; column <= 3; ++column) grid->setColumnMinimumWidth(column, 230);
    return gallery;
}

// The mouse as the window system moves and presses it: to the innermost widget at `at`.
void SendMouse(QWidget* control, QEvent::Type type, const QPoint& at) {
    QWidget* target = control->childAt(at) ? control->childAt(at) : control;
    const QPointF local = target->mapFrom(control, at);
    const QPointF global = target->mapToGlobal(local);
    if (type == QEvent::Enter) {
        for (QWidget* w : {control, target}) {
            QEnterEvent enter(w->mapFrom(control, at), global, global);
            QApplication::sendEvent(w, &enter);
        }
        type = QEvent::MouseMove;
    }
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, local, global, button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Writes the widget's look to FOLDER/NAME.png; on failure says why on standard error.
bool Save(QWidget* widget, const QString& folder, const QString& name) {
    QApplication::processEvents();
    QFile file(QDir(folder).filePath(name + QStringLiteral(".png")));
    if (file.open(QIODevice::WriteOnly) && widget->grab().save(&file, "PNG")) return true;
    std::fprintf(stderr, "dravelo_controls_gallery: cannot write %s: %s\n",
                 qPrintable(QDir::toNativeSeparators(file.fileName())),
                 qPrintable(file.errorString()));
    return false;
}

// The looks a user brings about on the first control of each row, each written under its name.
bool SaveInteractions(const Shown& shown, const QString& folder) {
    QWidget* control = shown.widget;
    const QPoint at(control->width() / 2, control->height() / 2);
    SendMouse(control, QEvent::Enter, at);
    bool saved = Save(control, folder, shown.name + QStringLiteral("_hover"));
    SendMouse(control, QEvent::MouseButtonPress, at);
    saved = Save(control, folder, shown.name + QStringLiteral("_pressed")) && saved;
    SendMouse(control, QEvent::MouseButtonRelease, at);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(control, &leave);
    control->clearFocus();  // the press gave it the focus, not by the keyboard
    control->setFocus(Qt::TabFocusReason);
    saved = Save(control, folder, shown.name + QStringLiteral("_keyboard_focused")) && saved;
    control->clearFocus();
    return saved;
}

// 0 when every picture was written; 1, with a message, when the folder or a file was not.
int RenderInto(const QString& folder, QWidget& window, const Gallery& gallery) {
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "dravelo_controls_gallery: cannot create the folder %s\n",
                     qPrintable(QDir::toNativeSeparators(folder)));
        return 1;
    }
    // Laid out and activated like the shown window, yet never on the screen.
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    QApplication::setActiveWindow(&window);  // keyboard focus shows only in the active window
    gallery.running->ValueChange(42);
    gallery.empty->ValueChange(0);
    gallery.custom->ValueChange(65);
    bool saved = Save(&window, folder, QStringLiteral("gallery"));
    for (const Shown& shown : gallery.shown) {
        saved = Save(shown.widget, folder, shown.name) && saved;
        if (shown.interactive) saved = SaveInteractions(shown, folder) && saved;
    }
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Dravelo controls"));
    const Gallery gallery = Build(window);

    const QStringList args = app.arguments();
    const qsizetype render = args.indexOf(QStringLiteral("--render"));
    if (render >= 0) {
        if (render + 1 >= args.size()) {
            std::fprintf(stderr, "dravelo_controls_gallery: --render needs a folder\n");
            return 2;
        }
        return RenderInto(args[render + 1], window, gallery);
    }

    // A layout shows a full bar, so the values are set once the window has its size.
    QTimer::singleShot(100, &window, [&gallery]() {
        gallery.empty->ValueChange(0);
        gallery.custom->ValueChange(65);
    });
    auto* counter = new QTimer(&window);
    QObject::connect(counter, &QTimer::timeout, gallery.running,
                     [running = gallery.running, step = 0]() mutable {
                         running->ValueChange(step);
                         step = (step + 1) % 101;
                     });
    counter->start(50);
    window.show();
    // "--grab file.png" saves the window once it is drawn and quits, for looking without a display.
    const qsizetype grab = args.indexOf(QStringLiteral("--grab"));
    if (grab >= 0 && grab + 1 < args.size()) {
        QTimer::singleShot(300, &window, [&window, path = args[grab + 1]]() {
            window.grab().save(path);
            QApplication::quit();
        });
    }
    return app.exec();
}
