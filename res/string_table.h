#pragma once
// The program's string table: every user-visible text, by number.

// The text of string `id`, or nullptr when the table has no such string.
const char* FindStringResource(unsigned id);
