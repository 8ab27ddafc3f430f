// The class path Java builds: the elements it opens, in its order, and the
// archives its manifests' Class-Path entries bring in.
#pragma once

// Opens the class path as Java does and reads each element Java keeps:
// fills class_path.elements, and the names store, in Java's order.
void open_class_path();
