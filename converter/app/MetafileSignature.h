// Recognises a metafile by the first bytes of its file, without loading it.
#pragma once

#include <string>

// True when the file starts like an enhanced metafile (EMR_HEADER with the " EMF" signature),
// a placeable Windows metafile (its key) or a plain Windows metafile (a 9-word header of type
// memory or disk). A batch uses it before deleting a source that no conversion has read.
bool LooksLikeMetafile(const std::string& path);
