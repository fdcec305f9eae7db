#include "SettingsDialogFixture.h"
