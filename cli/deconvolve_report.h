#pragma once
// What quorvane-cli deconvolve reports beyond the run itself: the change
// each step made (--verbose lines, --json), the check of each star (--json)
// and the image after each iteration (--keep-iterations DIR).

#include <string>
#include <vector>

class CImage;

class RunReport {
public:
    RunReport(CImage& image, std::string out, bool verbose, bool json, std::string keepDirectory);

    // Makes the --keep-iterations folder if needed; false (and says why) when it cannot.
    bool PrepareFolder();
    bool WantsStepChange() const { return verbose || json; }
    // True once keeping an iteration failed; the run is then aborted.
    bool Failed() const { return failed_; }

    void AddStar(int column, int row);
    void StepChanged(int step, int steps, double change);
    void IterationEnded(int iteration);
    // The report on stdout, when --json was given.
    void PrintJson(const std::string& in, int iterations) const;

    const bool verbose;
    const bool json;

private:
    std::string IterationPath(int iteration) const;

    CImage& image_;
    std::string out_;
    std::string keepDirectory_;
    std::vector<double> changes_;
    std::vector<std::string> stars_;
    std::vector<std::string> kept_;
    bool failed_ = false;
};
