#pragma once

#include "core/bytesink.h"
#include "core/conversionhooks.h"
#include "core/linereader.h"
#include "core/state.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tamarisk::core {

/// What the conversion resets before every file: the Webjump records are refilled from the server name and
/// every server group's in-order cursor starts again at 1.
void prepareForFile(State& state);

/// Chenge_Wrg: converts one file as a drop of it on the window does.
FileResult Chenge_Wrg(State& state, const std::filesystem::path& path, ConversionHooks& hooks);

/// Converts the files in order, each as Chenge_Wrg does: the one entry for dropped files, the command
/// line and a second start that hands its files to the window.
std::vector<FileResult> convertFiles(State& state, const std::vector<std::filesystem::path>& files,
                                     ConversionHooks& hooks);

/// The converted text of a queue file: every line through Set_AllStatus, and through the referer pass
/// when that option is on. Every line ends with CR LF. forgetRead: out keeps copies of what it is given,
/// so the queue's memory behind the reading position can be given back as the conversion goes.
void convertQueue(State& state, const LineReader& queue, ByteSink& out, bool forgetRead = false);
std::string convertQueueText(State& state, const LineReader& queue);

/// The entries of a converted queue file in random order, each after an empty line, without comment
/// lines and without the lines before the first entry.
void shuffleEntries(const LineReader& converted, Random& random, ByteSink& out);
std::string shuffleEntries(const LineReader& converted, Random& random);

/// Splits a Windows command line into its paths: absolute paths with drive letters separated by one
/// blank, not quoted, so a path runs from its drive letter up to two characters before the next colon.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

} // namespace tamarisk::core
