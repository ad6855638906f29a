#pragma once
// The types in which clipboard content is asked for, most wanted first: one
// table for every way of reading the clipboard (X11 targets, Wayland MIME
// types).

#include <QByteArrayList>

// The text types: UTF-8 first, then the Latin-1 STRING and the types that
// say nothing of their encoding (read as Latin-1).
struct TextType {
    const char *name;
    bool utf8;
};
inline constexpr TextType kTextTypes[] = {
    {"UTF8_STRING", true}, {"text/plain;charset=utf-8", true}, {"STRING", false}, {"TEXT", false}, {"text/plain", false}};

// Every name under which an owner offers a text: the table's, and
// COMPOUND_TEXT, which the program does not read but keeps for others.
QByteArrayList textTypeNames();
bool isTextType(const QByteArray &name);

// Picture types, the lossless ones first, then any other type Qt can read.
QByteArrayList imageTypes();

// Why a fetch was given up: the program ends, the connection to `peer` (the
// X server, the compositor) failed, another program took the clipboard, the
// owner fell silent, or the whole took too long. Said in the log, the
// program's own end excepted.
enum class GiveUp { Stopped, Broken, Overtaken, Silent, Overall };
void logGiveUp(GiveUp why, const QByteArray &asked, const char *peer, int patienceMs, int overallMs);
