// The gallery's --render writes every control's pictures into a folder without a window, and
// says so with a non-zero status when the folder cannot be written.
#include <gtest/gtest.h>

#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Finished {
    int status = -1;
    QString errors;
};

Finished Render(const QString& folder) {
    QProcess gallery;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    gallery.setProcessEnvironment(environment);
    gallery.start(QStringLiteral(DRAVELO_GALLERY), {"--render", folder});
    // A limit against a hang only: rendering takes well under a second.
    if (!gallery.waitForFinished(120000)) return {};
    return {gallery.exitStatus() == QProcess::NormalExit ? gallery.exitCode() : -1,
            QString::fromLocal8Bit(gallery.readAllStandardError())};
}

}  // namespace

TEST(GalleryRender, WritesEveryControlAsPngAndFailsOnAnUnwritableFolder) {
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const QString folder = temporary.filePath("looks");
    const Finished done = Render(folder);
    ASSERT_EQ(done.status, 0) << done.errors.toStdString();

    const QStringList pictures = QDir(folder).entryList({"*.png"}, QDir::Files);
    for (const char* expected : {"gallery", "ppb_custom", "toolbar_style1_pressed",
                                 "cmd_start_keyboard_focused", "chk_disabled", "txt_files_hover"})
        EXPECT_TRUE(pictures.contains(QString(expected) + ".png")) << expected;
    for (const QString& name : pictures) {
        QImageReader reader(QDir(folder).filePath(name));
        EXPECT_EQ(reader.format(), "png") << name.toStdString();
        const QImage picture = reader.read();
        EXPECT_FALSE(picture.isNull())
            << name.toStdString() << ": " << reader.errorString().toStdString();
        EXPECT_GT(picture.width() * picture.height(), 0) << name.toStdString();
    }

    // Beneath a plain file no folder can be made, not even by root.
    QFile plain(temporary.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const Finished refused = Render(temporary.filePath("plain/looks"));
    EXPECT_NE(refused.status, 0);
    EXPECT_TRUE(refused.errors.contains("cannot create the folder"))
        << refused.errors.toStdString();
}
