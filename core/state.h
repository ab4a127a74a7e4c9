#pragma once

#include "core/random.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The option and server state that every part of the program reads: one plain record, owned by one
// object and passed to whoever needs it. Texts are CP932 bytes, as they are written into files.
namespace tamarisk::core {

inline constexpr int kMaxServers = 100;
inline constexpr int kMaxAddresses = 64;
inline constexpr int kMaxNumbers = 255;
inline constexpr int kMaxDefServers = 255;

/// One alternative address of a server group; entry 0 of a list is "Members", the group's own hosts.
struct IPEntry {
    std::string IPName;
    std::int16_t IPUse = 0; // -1 enabled for assignment, 0 disabled
};

/// Key types of the address change, from the STYPE letters U, F and V.
enum : std::uint8_t { kSTypeNone = 0, kSTypeU = 129, kSTypeF = 130, kSTypeV = 132 };

/// One server group.
struct ServerRec {
    std::string ServerName;
    std::string ServerDomain;
    std::string ServerHead;
    std::uint8_t SType = kSTypeNone;
    std::array<std::int16_t, kMaxNumbers + 1> SNumber{}; // entries 1..SNumberCount
    std::int16_t SNumberCount = 0;
    std::int16_t SNextPos = 0;  // in-order cursor, reset to 1 for every file
    std::int16_t SKimeuchi = 0; // fixed server number, 0 for none
    std::array<IPEntry, kMaxAddresses + 1> IPList{};
    std::int16_t IPCount = 0;
    std::int16_t IPUseCount = 0;
};

/// One address change: the key ServerCut gives for the old address, and the replacement prefix.
struct DefServerRec {
    std::string DefKey;
    std::string DefPath;
};

/// The values the window's controls show. Toggles are 0 off, 1 on, 2 disabled.
struct OptionState {
    std::array<int, 6>
        OptCheckBoxes{}; // referer, server change, Webjump forms, save folder, address change, shuffle
    std::array<int, 1> ListCheckBox{}; // leave URL lists as they are
    int Check_Members7Tripod = 0;
    int Option_OptMC = 0; // server assignment: 0 random, 1 in order, 2 none
    int Option_DLDir = 0; // 1 appends a folder made from the file name
    int Option_FileSan = 0;
    int Option_AllDir = 1;
    std::array<std::string, 2> Label_AllDir; // 0 path to each file, 1 the save folder
    std::string Text_Webjump;                // empty or 1..255
    std::string Text_WebjumpName = "at";
    int chkIPList = 0;
    std::optional<std::int32_t> windowLeft; // twips, from the settings file
    std::optional<std::int32_t> windowTop;
    std::string skin; // SKI picture name
};

inline constexpr int kOptReferer = 0;
inline constexpr int kOptServerChange = 1;
inline constexpr int kOptWebjump = 2;
inline constexpr int kOptSaveFolder = 3;
inline constexpr int kOptAddressChange = 4;
inline constexpr int kOptShuffle = 5;

/// All state of one run of the program.
struct State {
    State();

    std::vector<ServerRec> Servers; // 0..100; record 0 is what the server controls address with no selection
    int ServerCount = 0;
    std::array<ServerRec, 2> WebjumpRecs{};
    std::vector<DefServerRec> DefServers; // 0..255
    int DefServerCount = 0;
    int DefServerIndex = 0;
    std::vector<std::string> defServerItems; // the old addresses, one per entry of the address-change table
    int defServerSelected = -1;              // selected item of that list, -1 for none
    OptionState options;
    std::string AppDir;
    int WindowShown = 0;
    Random random;

    bool optionOn(int index) const { return options.OptCheckBoxes[static_cast<std::size_t>(index)] == 1; }
};

/// Text_Webjump_LostFocus: a Webjump number that is not empty and not 1..255 becomes "21".
void normaliseWebjumpNumber(OptionState& options);

/// The leading integer of a text as Val reads it (blanks skipped, an optional sign, digits); 0 when the
/// text does not begin with a number. Saturates instead of overflowing.
long long leadingInteger(std::string_view text);

} // namespace tamarisk::core
