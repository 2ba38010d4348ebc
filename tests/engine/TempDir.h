#pragma once
// The engine tests' scratch folder under the name the first tests used.
// (A class of its own would clash with the fixtures' CTempDir when a test
// program links both; an alias cannot.)

#include "tests/engine/ScratchDir.h"

using CTempDir = CScratchDir;
