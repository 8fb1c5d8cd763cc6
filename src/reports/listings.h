#pragma once
// Plain-text listings of the open model: nodes, elements, nodal results and the model
// information. Lines end with CR LF; reals have five decimals and a three-digit exponent.
#include <cstdio>
#include <string>

namespace orv {

class FeModel;
class Messages;

enum class ListingKind { Nodes, Elements, Results, ModelInformation };

// Writes the listing to an open stream; false when the stream fails.
bool writeListing(ListingKind kind, const FeModel& model, std::FILE* out);
// Writes the listing to a file (the listing window shows it); reports a failure.
bool writeListingFile(ListingKind kind, const FeModel& model, const std::string& path,
                      Messages& messages);

// The window title of each listing command.
const char* listingTitle(ListingKind kind);

}  // namespace orv
