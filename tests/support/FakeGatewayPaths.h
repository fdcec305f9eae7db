#pragma once

// Sets all fifteen RequestUrls to the fake gateway's paths, in their order.
void PointPathsAtFakeGateway();
