#pragma once

#include <QString>
#include <QtGlobal>

// The one place that knows the persistent store: its identity, its keys and
// their defaults. Every access opens a short-lived default QSettings, so the
// store is never cached and always reflects what another window just wrote.
namespace VestraSettings {

inline constexpr char OrganizationName[] = "Tarnwell Quorimat";
inline constexpr char ApplicationName[] = "VESTRA CodeEditor";

inline constexpr char KeyEditorFontSize[] = "EditorFontSize";
inline constexpr char KeyConsoleFontSize[] = "ConsoleFontSize";
inline constexpr char KeyEditorTabSize[] = "EditorTabSize";
inline constexpr char KeyMakePath[] = "MakePath";
inline constexpr char KeyLastWorkingDirectory[] = "LastWorkingDirectory";
inline constexpr char KeyLastLoadedFile[] = "LastLoadedFile";
// Run and Plot: the seconds its viewer keeps, and the viewer to start
// (empty: the one beside the editor, else the one on the PATH).
inline constexpr char KeyPlotKeepSeconds[] = "PlotKeepSeconds";
inline constexpr char KeyViewerPath[] = "ViewerPath";
inline constexpr int DefaultPlotKeepSeconds = 60;

inline constexpr int DefaultEditorFontSize = 10;
inline constexpr int DefaultConsoleFontSize = 9;
inline constexpr int DefaultEditorTabSize = 4;

// The ranges the dialog offers.
inline constexpr int MinFontSize = 8;
inline constexpr int MaxFontSize = 30;
inline constexpr int MinTabSize = 1;
inline constexpr int MaxTabSize = 20;

// GNU make goes by another name in the Windows tool chains; nowhere else does
// that name exist, so each platform gets the name its own make answers to.
#ifdef Q_OS_WIN
inline constexpr char DefaultMakePath[] = "mingw32-make";
#else
inline constexpr char DefaultMakePath[] = "make";
#endif

// The family every editor and console font is requested by.
inline constexpr char MonospaceFamily[] = "Courier New";

// The house family of the windows' labels, rarely installed. The forms place
// their labels at fixed sizes made for its narrow letters, so where it is
// missing a sans family of the same widths stands in, not the system's
// (wider) default.
inline constexpr char LabelFamily[] = "Tarnwell Office Sans";
void registerFontSubstitutes();

// The four values the user edits in the settings dialog.
struct UserSettings
{
    int editorFontSize = DefaultEditorFontSize;
    int consoleFontSize = DefaultConsoleFontSize;
    int editorTabSize = DefaultEditorTabSize;
    QString makePath = QString::fromLatin1(DefaultMakePath);
};

// Sets the application identity that selects the store.
void setApplicationIdentity();

// Reads the four user keys as stored (a non-number reads as 0).
UserSettings readUserSettings();

// Sizes of 0 or less would give an unusable window: they fall back to the
// defaults. Other values are brought into the dialog's ranges: a store
// edited by hand must not make a 100,000 pt font or overflow the tab stop.
UserSettings usableSettings(const UserSettings &stored);

// Writes the four user keys in their fixed order.
void writeUserSettings(const UserSettings &values);

QString readLastWorkingDirectory(const QString &fallback);
QString readLastLoadedFile();
void writeLastWorkingDirectory(const QString &folder);
void writeLastLoadedFile(const QString &path);

} // namespace VestraSettings
