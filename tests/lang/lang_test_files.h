// Language files for the tests, written byte for byte into a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "modLang.h"

class LanguageFiles {
  public:
    // Writes `bytes` as the file `name` in the temporary folder and gives its path.
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        EXPECT_EQ(file.write(bytes), bytes.size());
        return path;
    }

    // Writes the bytes as a language file and loads it.
    void Load(const QByteArray& bytes) { LoadLanguage(Write(QStringLiteral("test.lng"), bytes)); }

    QString Path() const { return dir_.path(); }

  private:
    QTemporaryDir dir_;
};
