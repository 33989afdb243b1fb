#ifndef KYRA_DRIVER_USAGE_H
#define KYRA_DRIVER_USAGE_H

namespace kyra::driver {

// Writes krylovrun's usage text to standard output, followed by one more
// newline.
void printUsage();

}  // namespace kyra::driver

#endif
