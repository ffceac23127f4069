// Every text the command line host prints, in Japanese and English (texts.cpp holds the table),
// and the stable code each error text carries in JSON reports.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::cli {

enum class Language { Japanese, English };

enum class Text {
  // Usage errors (exit status 2), found before any import work starts.
  NoCommand,
  UnknownCommand,
  UnknownOption,
  MissingValue,
  FlagTakesNoValue,
  BadChoice,
  BadCount,
  MissingInput,
  UnexpectedArgument,
  SeriesUnknown,
  SingleInputOption,
  LogNeedsFolder,
  ShiftRefused,
  UnknownAlignment,
  OptionInputUnreadable,
  InputMissing,
  InputNotRegular,
  InputUnreadable,
  InputNotSim,
  FolderWithoutSim,
  OutputExists,
  OutputOverwritesInput,
  OutputClash,
  OutputFolderMissing,
  OutputFolderReadOnly,
  InputFolderReadOnly,
  // Usage errors of GIS outputs.
  BadZone,
  BadEpsg,
  GisOptionWithoutOutput,
  DrawingNamedTwice,
  GisNoExtension,
  GisExtensionUnknown,
  GisDriverUnknown,
  GisDriverCannotCreate,
  GisDriverWithoutExtension,
  CrsUnknown,
  TargetSrsWithoutCrs,
  // Usage errors of the export.
  ExportNothingNamed,
  ExportInputIsSima,
  ExportInputIsLandXml,
  ExportNoOutput,
  ExportOutputNotSim,
  OutputIsFolder,
  ExportDrawingOption,
  ExportGisOption,
  ExportNeedsZone,
  BadTolerance,
  BadDecimals,
  ExportInputUnreadable,
  // Ends of a run.
  NothingToImport,
  PathRejected,
  SiteListFailed,
  ModuleUnavailable,
  CommandMissing,
  ImportNotRun,
  OutputWriteFailed,
  LogWriteFailed,
  LineLimitReached,
  ChildFailed,
  GisUnavailable,
  // Ends of an export.
  NothingToExport,
  NothingToExportDrawing,
  SpiralOfType,
  SpiralOfOneRadius,
  ElementsDoNotJoin,
  NoPointNumberLeft,
  UnwritableText,
  UnwritableTextCp932,
  // Warnings.
  SiteCreated,
  LayerAdded,
  CharactersReplaced,
  ResultsUnplaced,
  ModuleNotice,
  ZoneFromFile,
  NoCrs,
  GdalWarning,
  // Warnings of the export.
  AlignmentEmpty,
  StraightsJoined,
  EntityNotFinite,
  PointRenumbered,
  ArcSegments,
  PointAdded,
  NumberUnusable,
  FeatureRenumbered,
  FeaturesLeftOut,
  SimaCharactersReplaced,
  MoreWarnings,
  // Words, progress and the batch summary.
  None,
  Reading,
  BatchSummary,
  ExportSummary,
  // Help.
  HelpUsage,
  HelpCommands,
  HelpOptions,
  HelpExitStatus,
  HelpMore,
  HelpImportCommand,
  HelpScanCommand,
  HelpImportUsage,
  HelpScanUsage,
  HelpExportCommand,
  HelpExportUsage,
  HelpGlobalOptions,
  HelpHelp,
  HelpVersion,
  HelpLanguage,
  HelpWorst,
  StatusCompleted,
  StatusFailed,
  StatusUsage,
  StatusNothing,
  StatusPartial,
  StatusRefused,
};

// The text as the table holds it, "{0}" marks and all.
std::string_view textOf(Language language, Text text);
// The text in the language with "{0}", "{1}", … replaced by the values.
std::string say(Language language, Text text, std::initializer_list<std::string> values = {});
// The code a JSON report gives the text when it is an error or a warning ("unknown_option");
// empty for other texts.
std::string_view codeOf(Text text);

// A usage error or any other failure the host reports: what, and the values it names.
struct Problem {
  Text text;
  std::vector<std::string> values;
  std::string say(Language language) const;
};

}  // namespace kestrel::cli
