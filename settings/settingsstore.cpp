#include "settingsstore.h"

#include <QCoreApplication>
#include <QFont>
#include <QSettings>

namespace VestraSettings {

void registerFontSubstitutes()
{
    QFont::insertSubstitutions(QString::fromLatin1(LabelFamily),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
}

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(OrganizationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationName));
}

UserSettings readUserSettings()
{
    const QSettings settings;
    UserSettings values;
    values.editorFontSize = settings.value(KeyEditorFontSize, DefaultEditorFontSize).toInt();
    values.consoleFontSize = settings.value(KeyConsoleFontSize, DefaultConsoleFontSize).toInt();
    values.editorTabSize = settings.value(KeyEditorTabSize, DefaultEditorTabSize).toInt();
    values.makePath = settings.value(KeyMakePath, QString::fromLatin1(DefaultMakePath)).toString();
    return values;
}

namespace {
int usable(int stored, int fallback, int lowest, int highest)
{
    return stored <= 0 ? fallback : qBound(lowest, stored, highest);
}
} // namespace

UserSettings usableSettings(const UserSettings &stored)
{
    UserSettings values = stored;
    values.editorFontSize = usable(stored.editorFontSize, DefaultEditorFontSize, MinFontSize, MaxFontSize);
    values.consoleFontSize = usable(stored.consoleFontSize, DefaultConsoleFontSize, MinFontSize, MaxFontSize);
    values.editorTabSize = usable(stored.editorTabSize, DefaultEditorTabSize, MinTabSize, MaxTabSize);
    return values;
}

void writeUserSettings(const UserSettings &values)
{
    QSettings settings;
    settings.setValue(KeyEditorFontSize, values.editorFontSize);
    settings.setValue(KeyConsoleFontSize, values.consoleFontSize);
    settings.setValue(KeyEditorTabSize, values.editorTabSize);
    settings.setValue(KeyMakePath, values.makePath);
}

QString readLastWorkingDirectory(const QString &fallback)
{
    return QSettings().value(KeyLastWorkingDirectory, fallback).toString();
}

QString readLastLoadedFile()
{
    return QSettings().value(KeyLastLoadedFile, QString()).toString();
}

void writeLastWorkingDirectory(const QString &folder)
{
    QSettings().setValue(KeyLastWorkingDirectory, folder);
}

void writeLastLoadedFile(const QString &path)
{
    QSettings().setValue(KeyLastLoadedFile, path);
}

} // namespace VestraSettings
