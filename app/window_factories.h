#pragma once
// How the program wires its windows to the core (talvex/experiment/shell.h), under the Qt
// shell's names.

#include "talvex/experiment/shell.h"

namespace talvex::app {

using experiment::ControllerEvents;
using experiment::EventsFactory;
using experiment::LoaderFactory;
using experiment::ResourceManagerFactory;

}  // namespace talvex::app
