// SPDX-License-Identifier: MIT
// The interface language: every caption that follows the language mode, every two-language message,
// and the texts that stay the same in both modes. Plain tables, no widget dependency.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace kelda {

// Texts that do not change with the language mode.
inline constexpr std::string_view kAppTitle = "KELDA";
inline constexpr std::string_view kMainCaption = "KELDA(Main)";
inline constexpr std::array<std::string_view, 3> kPageCaptions = {"   MacBinary  ", "     CRC     ",
                                                                  "     Help     "};
inline constexpr std::string_view kLabel2Caption = "CRC(&C)";
inline constexpr std::array<std::string_view, 3> kOperationItems = {"Each", "All", "Clear"};
inline constexpr std::array<std::string_view, 6> kGridTitles = {"No.",  "Item",  "Value",
                                                                "Unit", "Value", "Unit"};

// File dialog filters as description|pattern pairs.
inline constexpr std::string_view kFilterOpenDialog1 = "*.BIN|*.BIN|*.*|*.*";
inline constexpr std::string_view kFilterOpenDialog2 = "*.*|*.*";
inline constexpr std::string_view kFilterSaveDialog1 = "*.TXT:*.DOC|*.TXT;*.DOC|*.*|*.*";
inline constexpr std::string_view kFilterSaveDialog2 = "*.*|*.*";
inline constexpr std::string_view kFilterSaveResource = "*.bin|*.bin|*.*|*.*";

// Title and buttons of the yes/no question box; the same in both modes.
inline constexpr std::string_view kQuestionTitle = "情報";
inline constexpr std::string_view kYesCaption = "はい(&Y)";
inline constexpr std::string_view kNoCaption = "いいえ(&N)";

// Every message that exists in a Japanese and an English text. The text is chosen when the message is
// shown, from the language mode of that moment.
enum class TMsg {
    FileNotFound,          // the file to read or to compute does not exist
    NotMacBinary,          // byte 0 or byte 74 of the header is not 0
    FileNotRead,           // a conversion was asked for before any file was read
    Da2Missing,            // a header piece vanished from the temporary folder
    Cr2Missing,            //
    Os2Missing,            //
    NoTmpFiles,            // clean-up found nothing to delete
    TmpFilesDeleted,       // clean-up done
    SelectOperationEach,   // a CRC variant was chosen while the operation is not "Each"
    QuitQuestion,          // the Escape key's question
    CannotWriteOverSource, // an output name that is the source file itself
    CannotWriteSettings,   // the settings file could not be written; %s is its path
    ProgressCaption,       // the title of the progress dialog of long work
    ProgressCrc,           // the progress dialog's label while a CRC is computed
    ProgressConvert,       // the progress dialog's label while a file is converted
    ProgressCancel,        // the progress dialog's cancel button
    ReplaceReadOnly,       // the window's question before an output that is a read-only file is replaced
    OutputReadOnly,        // kelda-cli's refusal of an output that is a read-only file
    // Forks out and in (src/forks/).
    ForkCutRefused,         // a fork the output needs ends early in the source; nothing written
    ForkCutWritten,         // the same, written as far as the source goes
    CommentCutWritten,      // both forks whole and written; the Finder comment ends early in the source
    ForkUncheckedWritten,   // every byte of the forks written, but a fork's CRC was missing in the source
    NotAppleFile,           // neither AppleSingle nor AppleDouble
    AppleFileDamaged,       // an error text; %s is one of the four details below
    AppleEntryPastEnd,      //
    AppleEntriesOverlap,    //
    AppleEntryTwice,        //
    AppleEntryTooShort,     //
    BinHexDamaged,          // an error text; %s is one of the details below
    BinHexNoBody,           //
    BinHexBadCharacter,     //
    BinHexBadRun,           //
    BinHexEndsInHeader,     //
    BinHexBadNameLength,    //
    BinHexHeaderCrc,        //
    BinHexEndsInData,       //
    BinHexDataCrc,          //
    BinHexEndsInResource,   //
    BinHexResourceCrc,      //
    BinHexNoClosingColon,   //
    BinHexNeedsName,        // a BinHex output of a Mac file that has no name
    ForkTooLarge,           // a fork of 2 GiB or more cannot go into MacBinary
    NameNotEncodable,       // the name has characters the Mac character set lacks
    TypeCodeInvalid,        // a type or creator that is not four Mac characters
    DateInvalid,            // a date option that cannot be read
    SourceDateEpochInvalid, // SOURCE_DATE_EPOCH is no number of seconds
    DateOutOfRange,         // a date (option, SOURCE_DATE_EPOCH, file time) MacBinary cannot hold
    NoWriteThroughLink,     // an extracted file's name is a symbolic link
    ProgressForks,          // the progress dialog's label while forks are written
    ForkCutAsk,             // the window's question before writing a fork cut short
    ReplaceExisting,        // the window's question before a fork item's output replaces a file
    CheckNotOpened,         // the check page's mark on the report of a file that was not opened
    NoDisplay,              // kelda started where no display can be opened
    // Disk images (src/image/).
    ImageDamaged,    // an error text; %s is the fault (image/ImageFault.h), naming the structure and block
    ImageReplaceAsk, // the window's question before extracting from an image over files already there
    ImageExtractSummary, // after extracting from an image: %s files written, %s not written
    AboutText,           // Help > About: the version (first %s) and the Qt version (second %s)
};
inline constexpr int kMessageCount = static_cast<int>(TMsg::AboutText) + 1;

const char* MessageText(TMsg msg, bool japanese);
// The message with its first "%s" replaced by arg.
std::string FormatMessage(TMsg msg, bool japanese, std::string_view arg);

// The text of Help > About: name and version, what the program is for, copyright and licence, and
// the version of Qt it runs with.
std::string AboutText(bool japanese, std::string_view version, std::string_view qtVersion);

// What a caption entry sets on its control.
enum class TCaptionTarget {
    Caption,      // the control's own caption (button, label, group box, menu item)
    RadioItem0,   // the first item of a radio group
    RadioItem1,   // the second item of a radio group
    FileNameLine, // a prefix followed by the current file name
    FileTypeLine, // a prefix followed by the current file type text
};

struct TCaptionEntry {
    const char* Control; // the control's object name
    TCaptionTarget Target;
    const char* English;
    const char* Japanese;
};

// Every caption that follows the language mode, in the order in which they are applied.
std::span<const TCaptionEntry> CaptionTable();
// The captions of the fork menu items and of the Make MacBinary dialog, applied after CaptionTable.
std::span<const TCaptionEntry> ForkCaptionTable();
// The entry of ForkCaptionTable for a control; nullptr when there is none.
const TCaptionEntry* FindForkCaption(std::string_view control);
// The entry for a control and target; nullptr when there is none.
const TCaptionEntry* FindCaption(std::string_view control, TCaptionTarget target = TCaptionTarget::Caption);

// The two lines of the bottom panel. Their prefixes are 11 half-width characters in both modes, so
// that the colons stand one above the other in a fixed-pitch font.
std::string FileNameLine(bool japanese, std::string_view fileName);
std::string FileTypeLine(bool japanese, std::string_view fileType);

// The text of the error box: the error's message with a full stop appended when its last character's
// code lies above that of "." (after a letter, digit or Japanese character; not after a blank, "!",
// "," or ".").
std::string ErrorBoxText(std::string_view message);

} // namespace kelda
