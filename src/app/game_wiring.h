// The game's one list of installs: the battle's rules, then every other subsystem's installer
// (stages today). Start-up runs it through AppServices::InstallGameWiring before the first
// scene; the battle harness, the tests and the fuzz targets run the same list.
#pragma once

void InstallGameWiring();
