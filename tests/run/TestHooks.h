// Ports the run's hooks point at in this test process. The hooks are read once per
// process, so they are fixed before main() runs, on ports that were free then.
#pragma once

int TestManagementPort();  // QLWIZ_MGMT_PORT: where this process's simulators listen
int TestRoutePort();       // QLWIZ_ROUTE_TEST_PORT: nothing listens there unless a test does
