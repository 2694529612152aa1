// Why a location or a database cannot be used, said in the operator's words, for the boxes that refuse
// them: the box itself tells the cause, not only the error log.
#pragma once

#include <string>

namespace konw {

// Empty when the location exists; otherwise the sentence naming what is missing: a drive letter mapped
// to no directory names the drive and where its directory was expected (KONWERSJA_DRIVE_X, the Wine
// prefix's dosdevices/x:), a missing directory or file names it with its host path.
std::string PrzyczynaBrakuLokalizacji(const std::string& location);

// Where WIN.INI was looked for and how to give one; empty when the file is there.
std::string PrzyczynaBrakuWinIni();

// The cause of the error being handled (inside a catch block), in one sentence: a Firebird database that
// another program holds is said so; otherwise the error's first line. Empty outside a catch block.
std::string PrzyczynaBledu(const std::string& SciezkaInterbase);

// Whether the error being handled is a Firebird database held by another program.
bool BazaZajetaPrzezInnyProgram();

}  // namespace konw
