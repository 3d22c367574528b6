# bash completion for diagsum, diagsum-single and diagsum-report: their
# options, the values an option takes, and file names where a file is
# expected. bash-completion looks a completion up by the command's name, so
# this file is installed once under each program's name.

# Sets `cur` (the word being completed) and `prev` (the option before it).
# "--mode=po" reaches a completion as "--mode", "=", "po": the option is then
# the word before the "=".
_diagsum_words() {
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    if [[ $cur == "=" ]]; then
        cur=
    elif [[ $prev == "=" ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
}

# Offers the words of $1 that start with the current word; a value that ends
# in ":" waits for what follows it (list:0-3, random:42).
_diagsum_reply() {
    mapfile -t COMPREPLY < <(compgen -W "$1" -- "$cur")
    if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *: ]]; then
        compopt -o nospace 2>/dev/null
    fi
}

# Offers the words of $1 for the last item of a comma-separated list
# (--perf cycles,inst -> cycles,instructions); the list may go on.
_diagsum_reply_list() {
    local done=
    [[ $cur == *,* ]] && done=${cur%,*},
    mapfile -t COMPREPLY < <(compgen -P "$done" -W "$1" -- "${cur##*,}")
    compopt -o nospace 2>/dev/null
}

# Offers file and folder names.
_diagsum_files() {
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

_diagsum() {
    local cur prev
    _diagsum_words
    case $prev in
        -m | --mode) _diagsum_reply "spawn pool spawn,pool"; return ;;
        --bind) _diagsum_reply "none compact scatter list:"; return ;;
        --order) _diagsum_reply "sequential interleaved random:"; return ;;
        --perf)
            _diagsum_reply_list "task-clock context-switches cpu-migrations page-faults cycles instructions
                cache-misses"
            return
            ;;
        --log | --out | --json | --trace) _diagsum_files; return ;;
        --stack-size) _diagsum_reply "default 64k 1m 8m"; return ;;
        --split) _diagsum_reply_list "round-robin blocks dynamic"; return ;;
        -s | --size | -t | --threads | -r | --runs | -w | --warmup | --invocations | --context) return ;;
    esac
    _diagsum_reply "--size --threads --runs --warmup --mode --stack-size --bind --order --split --invocations --log
        --no-log --out --json --perf --context --trace --progress --no-progress --help --version"
}

_diagsum_single() {
    local cur prev
    _diagsum_words
    case $prev in
        --log | --out) _diagsum_files; return ;;
        -s | --size | -t | --threads) return ;;
    esac
    _diagsum_reply "--size --threads --log --no-log --out --help --version"
}

_diagsum_report() {
    local cur prev
    _diagsum_words
    case $prev in
        -x | --x-scale) _diagsum_reply "lin log"; return ;;
        -l | --label | --predict) return ;;
        -o | --output | -s | --speedup-chart | -c | --cost-chart | -M | --model | -T | --timeline | -D | --drift | \
            --export-json | --compare) _diagsum_files; return ;;
    esac
    if [[ $cur == -* ]]; then
        _diagsum_reply "--output --speedup-chart --cost-chart --model --timeline --drift --predict --no-chart --x-scale
            --pool --export-json --verbose --quiet
            --compare --label --help --version"
    else
        _diagsum_files  # the log or the JSON to read
    fi
}

complete -F _diagsum diagsum
complete -F _diagsum_single diagsum-single
complete -F _diagsum_report diagsum-report
