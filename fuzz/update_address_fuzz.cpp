// The update check's addresses: which version-file addresses it fetches and which download
// addresses it opens. Addresses built from the input are checked against a model that accepts
// exactly an http or https address with a host (and, for the version file, a path ending in
// "/download/Dravelo.zip.ver"); any other text is either refused or gives an http(s) address
// that reads back to itself.
#include <QString>
#include <QStringList>

#include "FuzzCheck.h"
#include "UpdateAddress.h"

namespace {

const QString kVersionFilePath = QStringLiteral("/download/Dravelo.zip.ver");

QString Word(FuzzInput& input, const char* alphabet, size_t letters) {
    QString word;
    for (unsigned i = input.Pick(6) + 1; i > 0; --i)
        word += QLatin1Char(alphabet[input.Pick(static_cast<unsigned>(letters))]);
    return word;
}

struct ModelAddress {
    QString text;
    bool web = false;          // opened as a download address
    bool versionFile = false;  // fetched as the version file
};

ModelAddress Address(FuzzInput& input) {
    static const char* const schemes[] = {"http", "https", "ftp", "file", "javascript", "data"};
    static const char hostLetters[] = "abz019";
    static const char pathLetters[] = "aZ09._-~";
    const unsigned scheme = input.Pick(6);
    QStringList labels;
    // Each label begins with a letter: all-digit hosts are IPv4 addresses, which are rewritten.
    for (unsigned i = input.Pick(3) + 1; i > 0; --i)
        labels << u'a' + Word(input, hostLetters, sizeof hostLetters - 1);
    const bool withHost = input.Pick(5) != 0;
    ModelAddress model;
    model.text = QString::fromLatin1(schemes[scheme]) + QStringLiteral("://") +
                 (withHost ? labels.join(u'.') : QString());
    if (withHost && input.Flag()) model.text += u':' + QString::number(input.Pick(200) + 1);
    QString path;
    for (unsigned i = input.Pick(3); i > 0; --i)
        path += u'/' + Word(input, pathLetters, sizeof pathLetters - 1);
    if (input.Flag()) path += kVersionFilePath;
    model.text += path;
    model.web = scheme < 2 && withHost;
    model.versionFile = model.web && path.endsWith(kVersionFilePath);
    return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    if (input.Flag()) {
        const ModelAddress model = Address(input);
        FUZZ_CHECK(IsVersionFileAddress(model.text) == model.versionFile);
        FUZZ_CHECK(WebDownloadAddress(model.text) == (model.web ? model.text : QString()));
        FUZZ_CHECK(WebDownloadAddress(QStringLiteral(" \t") + model.text + u' ') ==
                   WebDownloadAddress(model.text));
        return 0;
    }
    const QString text = QString::fromUtf8(input.Rest(), static_cast<qsizetype>(input.RestSize()));
    const QString web = WebDownloadAddress(text);
    if (!web.isEmpty()) {
        FUZZ_CHECK(web.startsWith(QLatin1String("http://")) ||
                   web.startsWith(QLatin1String("https://")));
        FUZZ_CHECK(WebDownloadAddress(web) == web);
    }
    if (IsVersionFileAddress(text)) FUZZ_CHECK(!WebDownloadAddress(text).isEmpty());
    return 0;
}
