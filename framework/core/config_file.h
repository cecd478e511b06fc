#pragma once
// lconfig: the configuration file (ProgramName + ".cfg") and the session file (ProgramName +
// ".cff").
//
// The configuration file holds every stored setting (settings.h, globals.h) as a label line
// followed by its value line(s), in one fixed order (the Windows layout), and is read back by
// position, so files in that layout read unchanged and older, shorter files leave the newer
// settings alone.
// Lines end in CR LF; texts are Windows-1252 where the page holds them (the fourth title-block
// row label DOS 437), otherwise UTF-8, and either form reads back.
//
// Where the configuration is looked for: ConfigDir (the start directory by default: a
// qor1w.cfg there is a shared set-up and wins), then UserConfigDir() ($XDG_CONFIG_HOME/qor1w,
// default ~/.config/qor1w), then SystemConfigDir (/etc/qor1w). Only a file found in the first
// place keeps ConfigDir there; otherwise (and at a first start) ConfigDir becomes the user's
// directory, so saved settings follow the user wherever the program is started. A new file goes
// to ConfigDir when it is writable, else to UserConfigDir(). The session file (recent files) is
// always the user's own, in UserConfigDir(). Files are replaced safely (a temporary file in the
// same directory, then a rename); settings files larger than 1 MiB or with over-long lines are
// refused with a message.

#include <string>
#include <vector>

extern std::string SystemConfigDir; // "/etc/qor1w"
// The folder of what the program ships (help texts, pictures, tables), set at start by the
// shell; the place of a blank or missing PLT directory.
extern std::string ShippedDataDir;

// The largest magnitude a real setting may have (scales, zoom and pan factors, angles): a line
// beyond it reads as 0 and the setting's mending applies, as for a line that does not convert.
inline constexpr long double kMaxSettingReal = 1e6L;
std::string UserConfigDir();
// $XDG_DATA_HOME/qor1w (default ~/.local/share/qor1w): the user's tables, jobs and outputs
// where no folder is configured.
std::string UserDataDir();

std::string ConfigFilePath();  // ConfigDir + "/" + ProgramName + ".cfg"
std::string SessionFilePath(); // UserConfigDir() + "/" + ProgramName + ".cff"

// What the first start needs of the desktop. Heights of 0 mean no main window yet.
struct TScreenMetrics {
    int ScreenWidth = 640;
    int ScreenHeight = 480;
    int WindowHeight = 0; // main window, outer height
    int ClientHeight = 0; // main window, client height
    int PixelsPerInch = 96;
};
using ScreenMetricsFunc = TScreenMetrics (*)();
// The default of ScreenMetricsHook without a user interface: the metrics above. The interface
// installs the screen's (GuiScreenMetrics in framework/ui/uihooks.h); the main window, once it
// exists, installs a hook that also gives its own heights.
TScreenMetrics DefaultScreenMetrics();
extern ScreenMetricsFunc ScreenMetricsHook;

// The message of CheckConfiguredDirectories and of an unreadable configuration file. Default:
// the GUI layer's message box captioned "Error  : " (silent while ErrorBoxesOn is clear). The
// text question answers Cancel until the dialogs install their InputText here.
using ConfigShowErrorFunc = void (*)(const std::string& text);
using ConfigInputTextFunc = bool (*)(const std::string& prompt, int maxLength, std::string& text);
extern ConfigShowErrorFunc ConfigShowErrorHook;
extern ConfigInputTextFunc ConfigInputTextHook; // false (and AbortFlag set) on Cancel

// Writes the configuration file into ConfigDir. Nothing is written while AbortFlag is set.
// A file that cannot be written is retried or given up (RewriteRetry; AbortFlag set).
void WriteConfiguration();
// Writes the configuration to exactly that file (export); false (AbortFlag set) when it could
// not be written and the user gave up. Nothing is written while AbortFlag is set.
bool WriteConfigurationFile(const std::string& path);
// Reads the settings of exactly that file (import); false, and nothing changed, when it cannot
// be read (problem says why, in words).
bool ReadConfigurationFile(const std::string& path, std::string& problem);
bool ReadConfigurationFile(const std::string& path);
// Finds and reads the configuration file; with none found, fills the first-start values from
// the screen and sets AbortFlag.
void ReadConfiguration();
// Gives every directory setting a folder of this computer, in one message at most:
// - a blank one gets its usual place silently (never the start directory): the temporary
//   directory $TMPDIR (else /tmp), the shipped pictures for the PLT directory, the user's data
//   directory for the others; it is written blank again when the settings are saved;
// - one written the Windows way ("C:\TEMP\") or missing here, and a temporary directory that
//   cannot be written, is replaced by that place ("invalid temporary directory configured:
//   C:\TEMP\ does not exist here." and the place now used);
// - any other folder that fails its test is reported ("invalid CAD Directory configured").
// A message with replacements is shown once: the same message at a later start (the settings
// not saved since) is kept silent; it is remembered in the user's configuration directory.
void CheckConfiguredDirectories();
// Writes the session file (data directory and the four recent files) into the user's
// configuration directory (ConfigDir when there is none).
void WriteSessionFile();
// Reads the four recent files back (the user's file, else one beside the configuration); no
// file empties them.
void ReadSessionFile();

// The configuration as lines of UTF-8 text, exactly as WriteConfiguration writes them.
std::vector<std::string> ConfigurationLines();
// Reads settings from the lines of a configuration file (UTF-8), as ReadConfiguration does
// with a file it found.
void ReadConfigurationLines(const std::vector<std::string>& lines);
// The first-start values of a missing configuration (AbortFlag is not touched here).
void ApplyFirstStartValues();
