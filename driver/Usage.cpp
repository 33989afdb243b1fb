#include "Usage.h"

#include <cstdio>

namespace kyra::driver {

namespace {

constexpr const char* kUsageText =
    "\n"
    "usage: krylovrun [options]\n"
    "\n"
    "e.g. platform=cuda solver=cg preconditioner=jacobi A=myfile.mtx b=ones tolerance=1e-5\n"
    "\n"
    "runtime options\n"
    "\n"
    "    platform            [cuda,host]\n"
    "    solver              [bicg,bicgstab,bicgstabl,cg,gmres,minres]\n"
    "    preconditioner      [none,jacobi,blockjacobi,ilu0,ainv,fainv]\n"
    "\n"
    "data options\n"
    "\n"
    "    A                   Input file for the matrix to be solved.\n"
    "    b                   vector file for right-hand-side.\n"
    "                        Alternatively, set b=ones for a vector of all 1.0\n"
    "\n"
    "    x                   vector file that the solution is written to (optional)\n"
    "    xin                 vector file for initial guess (optional)\n"
    "\n"
    "        note: all input files must be in the appropriate Matrix Market format\n"
    "\n"
    "convergence options\n"
    "\n"
    "    tolerance         specifies when a solver determines it has converged\n"
    "    maxiterations     the maximum number of iterations the solver will attempt\n"
    "    maxruntime        the maximum number of seconds the solver will run for\n";

}  // namespace

void printUsage() { std::printf("%s\n", kUsageText); }

}  // namespace kyra::driver
