// Installed in every engine of a JSON document object: the member walkers the object
// calls by name, and JSON for an engine that has none. The object keeps the document,
// str_Code, str_reg and str_all as globals of its own; str_all must exist before
// get__nodeValue runs.

// Pushes the string, number and boolean members of `value` onto str_all, and with
// `recursion` those of its objects and arrays too. Inherited functions (toJSONString,
// parseJSON) are neither.
function get__nodeValue(value, recursion) {
    for (var name in value) {
        var member = value[name];
        var kind = Object.prototype.toString.call(member);
        if (kind == '[object Object]' || kind == '[object Array]') {
            if (recursion)
                get__nodeValue(member, recursion);
        } else if (kind == '[object String]' || kind == '[object Number]' ||
                   kind == '[object Boolean]') {
            str_all.push(member);
        }
    }
    return str_all;
}

// The length of an array; 0 for anything else.
function get__count(value) {
    return Object.prototype.toString.call(value) == '[object Array]' ? value.length : 0;
}

// The names of a plain object's members that are not functions, in enumeration order,
// one per line (CR LF between them); the empty string for anything else.
function get__name_All(value) {
    if (Object.prototype.toString.call(value) != '[object Object]')
        return '';
    var names = [];
    for (var name in value) {
        if (typeof value[name] != 'function')
            names.push(name);
    }
    return names.join('\r\n');
}

// Merges `source` into `target` and returns `target`. An array target gets source's
// elements appended. Otherwise each member of source replaces a string, boolean or
// missing member, merges into an object member, and leaves a function member alone; a
// number member makes the merge fail (an object has no concat), with the members
// merged before it kept.
function get__extend(target, source) {
    if (Object.prototype.toString.call(target) == '[object Array]') {
        for (var i = 0; i < source.length; i++)
            target.push(source[i]);
        return target;
    }
    for (var name in source) {
        var kind = typeof target[name];
        if (kind == 'string' || kind == 'boolean' || kind == 'undefined')
            target[name] = source[name];
        else if (kind == 'number')
            target = target.concat(source);
        else if (kind == 'object')
            get__extend(target[name], source[name]);
    }
    return target;
}

// JSON and the toJSON methods where the engine lacks them. Their definitions stay text
// until then (json_polyfill.js, put in place of the placeholder below as a string when
// the script is loaded), so that an engine that has them does not compile them.
if (typeof JSON !== 'object' || typeof JSON.stringify !== 'function' ||
    typeof JSON.parse !== 'function' || typeof Date.prototype.toJSON !== 'function')
    (0, eval)(JSON_POLYFILL_TEXT);

// On every engine: toJSONString and parseJSON on Object.prototype when absent. Both are
// plain assignments, so they are enumerable and every for-in over an object meets them.
if (typeof Object.prototype.toJSONString !== 'function') {
    Object.prototype.toJSONString = function (filter) {
        return JSON.stringify(this, filter);
    };
    Object.prototype.parseJSON = function (filter) {
        return JSON.parse(this, filter);
    };
}
