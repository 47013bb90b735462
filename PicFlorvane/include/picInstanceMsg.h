#pragma once

// The messages between running instances of the program: a stop or show request (first value 0
// or 1), and a data block that hands files over to the running instance.
//
// The data block is in the binary stream form: the command string "Import", a 32-bit count, then
// that many strings, each a full path.

#include "vbArray.h"
#include "vbData.h"
#include "vbMsg.h"
#include "vbString.h"

extern vbExtraMsg g_picInstanceMsg;
extern vbExtraDataMsg g_picInstanceDataMsg;

// Each post reaches every other process, and only while the message engine runs; otherwise
// nothing is sent and nothing is said.
void postStopToInstances();
void postShowToInstances();
// The first count files of the list.
void postImportToInstances(const vbArray<vbString>& files, int count);

// The data block that hands the first count files over.
void picBuildImportBlock(const vbArray<vbString>& files, int count, vbData* out);
// The files of a data block, read whole before anything is given out. Another command raises
// "CPicFlorvaneDlg::receiveInterDataMsg() : unknown command asked (<command>)"; a count that the
// bytes cannot hold, or a cut block, raises the stream's read error.
void picParseImportBlock(const vbData& block, vbArray<vbString>* files);
