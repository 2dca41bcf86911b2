// Used only while the tree has no metadata parser: nothing is read.
#include "engine/ImageItemList.h"

namespace lumora {

void ScanItemInfo(ImageItem&) {}

} // namespace lumora
