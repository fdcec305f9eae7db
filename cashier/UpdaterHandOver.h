#pragma once

// Hands the till over to the updater: writes the updater's settings for this client and starts
// the updater (UpdatePath + "OrvUpdate", no arguments), which closes the client by its caption,
// replaces it and starts it again. Raises what the settings writer raises, and the updater is
// then not started; whether the updater could be started is not examined.
void HandOverToUpdater();
