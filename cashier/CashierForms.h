#pragma once

// Enters every window class of the client into the form runner's registry.
void RegisterCashierForms();
