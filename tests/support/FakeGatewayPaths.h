#pragma once

#include <string>

// Sets all fifteen RequestUrls to the fake gateway's paths, in their order.
void PointPathsAtFakeGateway();

// Writes Parameter/Parameter.dat into a program folder (with its trailing "/") as a till set up
// for the fake gateway's store holds it: the fifteen paths and the store's merchant parameters.
// The settings of this process are left as they were.
void SaveFakeGatewayStore(const std::string& programFolder);
