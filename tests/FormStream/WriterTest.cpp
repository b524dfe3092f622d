// The bytes TWriter chooses for each value.
#include "FormStream/uFiler.h"

#include <gtest/gtest.h>
