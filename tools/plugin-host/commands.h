// The subcommands of plugin-host. Each takes the arguments after its name.
#pragma once

int run_info_command(int argc, char** argv);
int run_replay_command(int argc, char** argv);
int run_decode_command(int argc, char** argv);
int run_run_command(int argc, char** argv);
int run_simulate_command(int argc, char** argv);
int run_report_command(int argc, char** argv);
