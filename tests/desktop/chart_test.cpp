// The speed chart rendered from made-up runs into real SVG and PNG files, read back as a viewer
// would: well-formed XML with one mark per file (or per bar), a PNG of the promised size that
// shows both series.
#include <gtest/gtest.h>

#include <QImage>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QXmlStreamReader>
#include <cmath>
#include <limits>

#include "ChartWindow.h"
#include "SpeedChart.h"
#include "SpeedSeries.h"
#include "modLang.h"
#include "temp_folder.h"

namespace {

constexpr int kSizeMB = 10;

qint64 SpanFor(double megabytesPerSecond) {
    return std::llround(kSizeMB / megabytesPerSecond * 1e6);
}

// A drive whose fast cache fills after 60 % of the files, and one file read slowly.
ChartInput MadeUpRun(int files, ChartTest test = ChartTest::Single) {
    ChartInput input;
    input.folder = QStringLiteral("/media/usb-stick/bench");
    input.nFiles = files;
    input.sizeMB = kSizeMB;
    input.date = QDateTime(QDate(2026, 12, 7), QTime(10, 35));
    input.test = test;
    for (int i = 0; i < files; ++i) {
        const double write = i < files * 0.6 ? 420 + 30 * std::sin(i) : 95 + 10 * std::sin(i * 0.7);
        const double read = i == files / 3 && files > 1 ? 150 : 780 + 40 * std::cos(i * 0.3);
        input.writeMicroseconds.push_back(SpanFor(write));
        input.readMicroseconds.push_back(SpanFor(read));
    }
    return input;
}

// What a viewer finds in an SVG file: whether it parses, its size, the shapes filled in each
// series' colour, and its texts.
struct SvgContent {
    bool wellFormed = false;
    QString viewBox;
    int writeShapes = 0;
    int readShapes = 0;
    QStringList texts;
    double rightmostLine = 0;         // where the plot's lines end
    QList<double> averageLabelLefts;  // where each "Ø" figure begins
};

SvgContent ReadSvg(const QString& path) {
    SvgContent content;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return content;
    QXmlStreamReader xml(&file);
    QStringList fills{QStringLiteral("black")};
    const QStringList shapes{"rect", "ellipse", "circle", "path", "polygon"};
    while (!xml.atEnd()) {
        xml.readNext();
        const QString name = xml.name().toString();
        if (xml.isStartElement()) {
            const QString fill = xml.attributes().hasAttribute("fill")
                                     ? xml.attributes().value("fill").toString()
                                     : fills.back();
            if (name == u"svg") {
                content.viewBox = xml.attributes().value("viewBox").toString();
            } else if (name == u"g") {
                fills << fill;
            } else if (name == u"text") {
                const double x = xml.attributes().value("x").toDouble();
                content.texts << xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (content.texts.last().startsWith(QChar(0x00d8))) content.averageLabelLefts << x;
            } else if (name == u"polyline") {
                for (const QString& point :
                     xml.attributes().value("points").toString().split(' ', Qt::SkipEmptyParts))
                    content.rightmostLine =
                        std::max(content.rightmostLine, point.section(',', 0, 0).toDouble());
            } else if (shapes.contains(name)) {
                content.writeShapes += fill == WriteSeriesColour().name();
                content.readShapes += fill == ReadSeriesColour().name();
            }
        } else if (xml.isEndElement() && name == u"g") {
            fills.removeLast();
        }
    }
    content.wellFormed = !xml.hasError();
    return content;
}

// Pixels in which one series' hue clearly dominates.
struct PngContent {
    QSize size;
    int bluish = 0;
    int orange = 0;
    int nonWhite = 0;
};

PngContent ReadPng(const QString& path) {
    const QImage image(path);
    PngContent content{image.size()};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            content.bluish += pixel.blue() > pixel.red() + 60;
            content.orange += pixel.red() > pixel.blue() + 80;
            content.nonWhite += pixel != QColor(Qt::white);
        }
    return content;
}

// Renders go to a temporary folder, or to DRAVELO_CHART_EXAMPLES to keep them as examples.
QString RenderFolder(const TempFolder& temp) {
    const QString keep = qEnvironmentVariable("DRAVELO_CHART_EXAMPLES");
    return keep.isEmpty() ? temp.path() : keep + u'/';
}

// Loads no language file, so that the texts are the built-in English ones.
void UseBuiltInTexts() {
    const TempFolder none;
    LoadLanguage(none.file("none.lng"));
}

class ChartFiles : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override { UseBuiltInTexts(); }
};

}  // namespace

TEST_P(ChartFiles, RendersAReadableSvgAndPng) {
    const int files = GetParam();
    const TempFolder temp;
    const QString base = RenderFolder(temp) +
                         QStringLiteral("chart-%1-file%2").arg(files).arg(files == 1 ? "" : "s");
    const ChartInput input = MadeUpRun(files);
    QString error;
    ASSERT_TRUE(WriteSpeedChart(input, base + ".svg", &error)) << error.toStdString();
    ASSERT_TRUE(WriteSpeedChart(input, base + ".png", &error)) << error.toStdString();

    const SvgContent svg = ReadSvg(base + ".svg");
    ASSERT_TRUE(svg.wellFormed);
    EXPECT_EQ(svg.viewBox,
              QStringLiteral("0 0 %1 %2").arg(kChartFileSize.width()).arg(kChartFileSize.height()));
    const QString all = svg.texts.join(u'\n');
    EXPECT_TRUE(all.contains(
        QStringLiteral("%1 %2 \u00d7 10 MB").arg(files).arg(files == 1 ? "file" : "files")));
    EXPECT_TRUE(all.contains(input.folder));
    EXPECT_TRUE(all.contains(QStringLiteral("2026-12-07 10:35")));
    EXPECT_TRUE(all.contains(QStringLiteral("MB/s")));

    // One mark per file, or one bar per group of files when there are more files than pixels;
    // the legend's sample mark adds one to each series.
    const QRegularExpression grouped(QStringLiteral("slowest to fastest of (\\d+) files"));
    const QRegularExpressionMatch match = grouped.match(all);
    int marks = files;
    if (files > kChartFileSize.width()) {
        ASSERT_TRUE(match.hasMatch()) << "the legend must say that files are grouped";
        const int perBar = match.captured(1).toInt();
        EXPECT_GT(perBar, 1);
        marks = (files + perBar - 1) / perBar;
        EXPECT_LE(marks, kChartFileSize.width() / 2);
    } else {
        EXPECT_FALSE(match.hasMatch());
    }
    EXPECT_EQ(svg.writeShapes, marks + 1);
    EXPECT_EQ(svg.readShapes, marks + 1);
    // The averages' figures stand beside the plot, never over its data.
    EXPECT_EQ(svg.averageLabelLefts.size(), 2);
    for (const double left : svg.averageLabelLefts) EXPECT_GT(left, svg.rightmostLine);

    const PngContent png = ReadPng(base + ".png");
    EXPECT_EQ(png.size, kChartFileSize);
    EXPECT_GT(png.bluish, 40);
    EXPECT_GT(png.orange, 40);
    EXPECT_GT(png.nonWhite, kChartFileSize.width() * kChartFileSize.height() / 100);
}

INSTANTIATE_TEST_SUITE_P(MadeUpRuns, ChartFiles, ::testing::Values(1, 20, 32000));

TEST(SpeedChart, MultipleTestShowsOneBarPerPhaseWithItsFigure) {
    UseBuiltInTexts();
    ChartInput input = MadeUpRun(0, ChartTest::Multiple);
    input.nFiles = 20;
    input.writeMicroseconds = {500000};  // 200 MB in half a second
    input.readMicroseconds = {250000};
    const TempFolder temp;
    const QString path = RenderFolder(temp) + QStringLiteral("chart-multiple.svg");
    ASSERT_TRUE(WriteSpeedChart(input, path, nullptr));
    ASSERT_TRUE(WriteSpeedChart(input, path.chopped(3) + "png", nullptr));

    const SvgContent svg = ReadSvg(path);
    ASSERT_TRUE(svg.wellFormed);
    EXPECT_EQ(svg.writeShapes, 2);
    EXPECT_EQ(svg.readShapes, 2);
    // As the log writes them, whole numbers keep their decimal separator.
    EXPECT_TRUE(svg.texts.contains(QStringLiteral("400. MB/s")));
    EXPECT_TRUE(svg.texts.contains(QStringLiteral("800. MB/s")));
    EXPECT_TRUE(svg.texts.join(u' ').contains(QStringLiteral("Multiple-file test")));
}

// Speeds are written as the log writes them, with the user's decimal separator.
TEST(SpeedChart, NumbersAsTheLogWritesThem) {
    UseBuiltInTexts();
    const QLocale before;
    ChartInput input = MadeUpRun(0, ChartTest::Multiple);
    input.nFiles = 20;
    input.writeMicroseconds = {175000};  // 200 MB: 1142.857 MB/s
    input.readMicroseconds = {250000};
    const TempFolder temp;
    for (const auto& [locale, figure] :
         {std::pair{QLocale::German, "1142,86 MB/s"}, {QLocale::English, "1142.86 MB/s"}}) {
        QLocale::setDefault(QLocale(locale));
        ASSERT_TRUE(WriteSpeedChart(input, temp.file("chart.svg"), nullptr));
        const QStringList texts = ReadSvg(temp.file("chart.svg")).texts;
        EXPECT_TRUE(texts.contains(QString::fromLatin1(figure))) << texts.join('|').toStdString();
    }
    QLocale::setDefault(before);
}

TEST(SpeedChart, FiguresPerGroupAndUntimedSpans) {
    // 10 MB files taking 1 s, 0.5 s, an untimed span and 0.25 s, two files to a point.
    const SpeedSeries series = ComputeSpeedSeries({1000000, 500000, 0, 250000}, 10, 2);
    ASSERT_EQ(series.points.size(), 2u);
    EXPECT_EQ(series.points[0].firstFile, 1);
    EXPECT_EQ(series.points[0].lastFile, 2);
    EXPECT_DOUBLE_EQ(series.points[0].together, 20 / 1.5);
    EXPECT_DOUBLE_EQ(series.points[0].slowest, 10);
    EXPECT_DOUBLE_EQ(series.points[0].fastest, 20);
    EXPECT_EQ(series.points[1].firstFile, 3);
    EXPECT_DOUBLE_EQ(series.points[1].together, 40);
    EXPECT_DOUBLE_EQ(series.average, 30 / 1.75);
    EXPECT_EQ(series.untimed, 1);

    EXPECT_EQ(FilesPerPoint(1000, 1000, 2), 1);
    EXPECT_EQ(FilesPerPoint(32000, 1000, 2), 64);
    EXPECT_EQ(FilesPerPoint(std::numeric_limits<int>::max(), 1000, 2), 4294968);
    EXPECT_TRUE(ComputeSpeedSeries({0, -1}, 10, 1).points.empty());
}

TEST(SpeedChart, RefusesUnknownFormatsAndUnwritablePathsWithAReason) {
    const TempFolder temp;
    const ChartInput input = MadeUpRun(3);
    QString error;
    EXPECT_FALSE(WriteSpeedChart(input, temp.file("chart.jpg"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral(".svg or .png"))) << error.toStdString();
    EXPECT_FALSE(temp.exists("chart.jpg"));

    // The extension is matched in either case.
    EXPECT_TRUE(WriteSpeedChart(input, temp.file("CHART.SVG"), &error)) << error.toStdString();
    EXPECT_TRUE(ReadSvg(temp.file("CHART.SVG")).wellFormed);

    const QString missingFolder = temp.file("no/such/folder/chart.svg");
    EXPECT_FALSE(WriteSpeedChart(input, missingFolder, &error));
    EXPECT_TRUE(error.startsWith(missingFolder)) << error.toStdString();
}

TEST(ChartWindow, ShowsTheChartAndSavesItWhereTheUserSays) {
    UseBuiltInTexts();
    const TempFolder temp;
    ChartWindow window;
    window.SetInput(MadeUpRun(20));
    window.SetSavePathPrompt([&](QWidget*, auto chosen) { chosen(temp.file("saved.svg")); });
    window.resize(900, 600);
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Speed per file"));

    const QImage shown = window.grab().toImage();
    int bluish = 0;
    for (int y = 0; y < shown.height(); y += 2)
        for (int x = 0; x < shown.width(); x += 2) {
            const QColor pixel = shown.pixelColor(x, y);
            bluish += pixel.blue() > pixel.red() + 60;
        }
    EXPECT_GT(bluish, 20);

    QSignalSpy saved(&window, &ChartWindow::ChartSaved);
    QPushButton* save = window.findChild<QPushButton*>();
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), QStringLiteral("Save\u2026"));
    save->click();
    ASSERT_EQ(saved.count(), 1);
    EXPECT_TRUE(ReadSvg(temp.file("saved.svg")).wellFormed);
}

TEST(ChartTexts, BothShippedLanguagesHoldThem) {
    for (const char* language : {"deutsch.lng", "english.lng"}) {
        LoadLanguage(QCoreApplication::applicationDirPath() + u'/' + QLatin1String(language));
        for (int16_t index = 70; index <= 83; ++index)
            EXPECT_NE(LangText(index, false, false, QStringLiteral("missing")), u"missing")
                << language << " text " << index;
    }
    UseBuiltInTexts();
}
