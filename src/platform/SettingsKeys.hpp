#pragma once

#include <string_view>

// The keys of the preferences the application keeps in Settings, named once. Each comment gives
// the stored type and what the value is for.
namespace ostrel::settingsKeys {

// date: automatic setups are paused until this moment.
inline constexpr std::string_view pausedUntil = "pausedUntil";
// array of text: routine key ids whose run the user undid; they are asked about instead of run.
inline constexpr std::string_view demotedRoutines = "demotedRoutines";
// date: when the last offer to save a routine was shown (at most one a calendar day).
inline constexpr std::string_view lastSaveOffer = "lastSaveOffer";
// text: the calendar to read, "apple" or "google"; settled and written when missing.
inline constexpr std::string_view calendarSource = "calendarSource";
// data: 32 random bytes per installation, the salt of the network-name hash.
inline constexpr std::string_view networkSalt = "networkSalt";
// dictionary of text: the name made for each routine, by routine key id; only grows.
inline constexpr std::string_view smartNames = "smartNames";
// dictionary {"day": number, "text": text}: the day's look-back text and the start of its day.
inline constexpr std::string_view lookBack = "lookBack";
// date: the first launch; written by whichever reader finds it missing.
inline constexpr std::string_view firstLaunch = "firstLaunch";
// bool: the scores were copied, saved or mailed; no more reminders.
inline constexpr std::string_view scoresSent = "scoresSent";
// number (integer, missing = 0): how many score reminders were shown.
inline constexpr std::string_view scoresReminded = "scoresReminded";
// date: when the last score reminder was shown.
inline constexpr std::string_view scoresLastReminded = "scoresLastReminded";
// bool (missing = false): the mascot's conversation is switched on.
inline constexpr std::string_view nuvoTalkEnabled = "nuvoTalkEnabled";
// number (integer 0, 1 or 2; anything else = 1): the depth of the mascot's answers.
inline constexpr std::string_view nuvoDepth = "nuvoDepth";
// data: the mascot panel's place, JSON bytes {"display", "x", "y"}.
inline constexpr std::string_view nuvoPlace = "nuvoPlace";
// bool (missing = false): the mascot is hidden.
inline constexpr std::string_view nuvoHidden = "nuvoHidden";
// number (integer, missing = 0): how many times the set-up window was shown.
inline constexpr std::string_view onboardingShownCount = "onboardingShownCount";
// date (missing or not a date = the distant past): when the set-up window was last shown.
inline constexpr std::string_view onboardingLastShown = "onboardingLastShown";
// text: the shortcuts tool to run instead of an executable "shortcuts" on the PATH.
inline constexpr std::string_view shortcutsTool = "shortcutsTool";
// text (missing = "http://127.0.0.1:11434"): the local model server's base address; only plain
// http to a loopback host is ever contacted.
inline constexpr std::string_view languageModelEndpoint = "languageModelEndpoint";
// text (missing or empty = the model is not enabled): the model the server is asked to run.
inline constexpr std::string_view languageModelName = "languageModelName";
// number (seconds; missing or not positive = 60, at most 3600): how long one answer may take.
inline constexpr std::string_view languageModelTimeout = "languageModelTimeout";

} // namespace ostrel::settingsKeys
