#include "QtTranslation.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace {

QString TranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

// A language's name as a file name would spell it: its first word ("español de España" is
// "espanol"), lower case, without accents.
QString PlainName(const QString& name) {
    QString plain;
    for (const QChar c : name.section(u' ', 0, 0).normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing) plain += c.toLower();
    return plain;
}

}  // namespace

QString QtLanguageFor(const QString& languageFile) {
    const QString file = QFileInfo(languageFile).fileName().toLower();
    if (file.isEmpty()) return {};
    QString code;
    qsizetype longest = 0;
    for (int l = QLocale::AnyLanguage + 1; l <= QLocale::LastLanguage; ++l) {
        const auto language = static_cast<QLocale::Language>(l);
        const QLocale locale(language);
        if (locale.language() != language) continue;
        for (const QString& name : {PlainName(QLocale::languageToString(language)),
                                    PlainName(locale.nativeLanguageName())}) {
            if (name.size() <= longest || !file.startsWith(name)) continue;
            longest = name.size();
            code = locale.name().section(u'_', 0, 0);
        }
    }
    // Qt's texts are English already.
    if (code.isEmpty() || code == u"en") return {};
    const QString qm =
        TranslationsFolder() + QStringLiteral("/qtbase_") + code + QStringLiteral(".qm");
    return QFileInfo::exists(qm) ? code : QString();
}

void UseQtTranslationFor(const QString& languageFile) {
    static std::unique_ptr<QTranslator> current;
    if (current) QCoreApplication::removeTranslator(current.get());
    current.reset();
    const QString code = QtLanguageFor(languageFile);
    if (code.isEmpty()) return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + code, TranslationsFolder())) return;
    QCoreApplication::installTranslator(translator.get());
    current = std::move(translator);
}
