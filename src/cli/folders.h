// The two folder arguments both programs take, checked and prepared before
// any work starts, with the messages for folders that cannot be used.
#pragma once

#include <cstdio>

#include "common/path_buffer.h"
#include "fileio/output_tree.h"

// Stores each argument with exactly one trailing separator (an empty one is
// a missing folder, one that does not fit is refused), checks that the
// source opens as a folder, then opens the destination or, when it does not
// exist, creates it with every missing parent. Returns 0, or 1 after the
// message for the folder that cannot be used.
int prepare_folders(const char* source_argument, const char* destination_argument, PathBuffer* source,
                    PathBuffer* destination, FILE* err);

// Opens the destination tree of the prepared destination. Returns 0, or 1
// after the folder's message.
int open_destination(const PathBuffer& destination, OutputTree* tree, FILE* err);

// The message for a folder that would not open, chosen by the error number;
// numbers without a message of their own print nothing.
void print_folder_error(FILE* err, int error_number, const char* path);
