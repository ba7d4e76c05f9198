#pragma once

// Registers every tool of this layer with the windows' tool host, once at
// start-up, before the coordinator is made. Window thread.
void RegisterTools();
